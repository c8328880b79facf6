#include "app/shell/OtherFormatCommands.h"

#include <QAbstractItemModel>
#include <cerrno>
#include <filesystem>
#include <string>

#include "app/common/rules/NumberedFormat.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/framelist/KorvexList.h"
#include "app/services/WindowHandle.h"
#include "app/shell/FileLoadPump.h"
#include "app/shell/KorvexShell.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "app/shell/rules/ChannelChoiceMenu.h"
#include "app/shell/rules/ImportRefusalText.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/OtherFormatFiles.h"
#include "protolens/include/protolens.h"
#include "share/GenGlobal.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

XTPFileDialogRequest Request(std::uint32_t filter, std::uint32_t flags) {
    XTPFileDialogRequest request;
    request.defaultExt = "log";
    request.flags = flags;
    request.filter = XTPLoadString(filter);
    return request;
}

// What a read left out or took other than as plain frames, one line each:
// skipped lines, damaged containers, long CAN FD frames and the rest of the
// tally.
std::string LeftOutText(const formats::ReadResult& result, long long firstBad) {
    std::string text;
    const auto add = [&text](const std::string& line) {
        if (!text.empty()) text += '\n';
        text += line;
    };
    const auto count = [&add](std::uint32_t id, long long n) {
        if (n > 0) add(FormatString(id, n));
    };
    if (result.badLines > 0) add(FormatString(fmt::kStrLinesSkipped, result.badLines, firstBad));
    if (result.damagedParts > 0)
        add(FormatString(fmt::kStrDamagedSkipped, result.damagedParts,
                         formats::DamagedOffsetsText(result).c_str(), result.damage.c_str()));
    else if (result.damageOffset >= 0)
        add(FormatString(fmt::kStrDamagedAt, result.damageOffset, result.damage.c_str()));
    count(fmt::kStrLongFdSkipped, result.longFdFrames);
    count(fmt::kStrShortFdRead, result.tally.shortFdFrames);
    count(fmt::kStrTxRequestsRead, result.tally.txRequests);
    count(fmt::kStrUnfitIdsSkipped, result.tally.unfitIds);
    count(fmt::kStrOtherObjectsSkipped, result.tally.otherObjects);
    count(fmt::kStrBadObjectsSkipped, result.tally.badObjects);
    return text;
}

// Reads a data file of any format into the frame list, with the status
// text and a message for a refused file or what was left out.
void LoadWithMessages(CKorvexGlobal& global, CMainFrame* main, QWidget* owner,
                      const std::string& path) {
    if (CFileLoadPump::Busy()) return;
    long long firstBad = 0;
    formats::LoadRequest request;
    request.badLine = [&firstBad](long long line, std::string_view) {
        if (firstBad == 0) firstBad = line;
    };
    request.showStatus = [main](const std::string& text) {
        if (main) main->ShowFrameStatus(text);
    };
    const std::string label = XTPLoadString(res::kStrFrameTotal);
    request.frameTotalLabel = label;
    // The program's own CSV names frame formats in the plug-in's words.
    request.read.frameWords = formats::ProtocolFrameWords(&AnalyCANFrame);
    CFileLoadPump pump(global, [main, &label](long long count) {
        if (main) main->ShowFrameStatus(FrameCountText(label, count));
    });
    request.split = pump.Split();
    // The frame list shows one channel: the user picks one, or all merged.
    request.chooseChannel = [owner](const std::vector<formats::ChannelCount>& channels) {
        return ChosenChannel(
            XTPUiServices().TrackPopupMenu(ChannelChoiceMenu(channels), ToCWnd(owner)));
    };
    const formats::ReadResult result = formats::ImportOtherFormatFile(path, request, global);
    pump.Finish();
    if (result.status == formats::ReadStatus::kNotImported) return;
    if (result.status != formats::ReadStatus::kOk) {
        std::string reason = ImportRefusalText(result, path);
        // A file without frames says what it held instead.
        if (result.status == formats::ReadStatus::kHoldsNoFrames) {
            if (const std::string leftOut = LeftOutText(result, firstBad); !leftOut.empty())
                reason += "\n" + leftOut;
        }
        global.ShowMessage(ToCWnd(owner), FormatString(fmt::kStrImportFailed, reason.c_str()),
                           name_share::kMsgError, 0);
    } else if (const std::string leftOut = LeftOutText(result, firstBad); !leftOut.empty()) {
        global.ShowMessage(ToCWnd(owner), leftOut, name_share::kMsgWarning, 0);
    }
}

void OnImportOtherFormat(CKorvexView& view) {
    std::string path;
    if (!XTPUiServices().OpenFileDialog(
            ToCWnd(&view), Request(fmt::kStrImportFilter, xtp_ofn::kHideReadOnly), path))
        return;
    LoadWithMessages(view.Global(), view.MainFrame(), &view, path);
    if (CMainFrame* main = view.MainFrame()) main->NoteRecentFile(path);
}

void OnExportOtherFormat(CKorvexView& view) {
    CKorvexGlobal& global = view.Global();
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    auto* list = sinks.empty() ? nullptr : dynamic_cast<CKorvexList*>(sinks.front());
    if (list == nullptr) return;
    std::string path;
    if (!XTPUiServices().SaveFileDialog(
            ToCWnd(&view),
            Request(fmt::kStrExportFilter, xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt),
            path))
        return;
    // The captions as the list's header shows them, in column order.
    std::vector<std::string> captions;
    const QAbstractItemModel* model = static_cast<const CFlatTableView*>(list)->model();
    for (int column = 0; model && column < model->columnCount(); ++column)
        captions.push_back(model->headerData(column, Qt::Horizontal).toString().toStdString());
    const formats::WriteSource source{global.origTimeList, list->Record().frameStore, captions,
                                      global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame)};
    errno = 0;
    if (!formats::ExportOtherFormatFile(path, source)) {
        // The error number of the call that failed, before the look at the
        // file sets another.
        FileWriteProblem problem;
        problem.Set(true);
        std::error_code unknown;
        problem.created = std::filesystem::exists(path, unknown);
        global.ShowMessage(ToCWnd(&view), WriteFailureText(path, problem), name_share::kMsgError,
                           0);
        return;
    }
    if (CMainFrame* main = view.MainFrame()) main->NoteRecentFile(path);
}

}  // namespace

void OpenFileArgument(CKorvexShell& shell, CKorvexGlobal& global, const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(QLatin1Char('-'))) continue;
        LoadWithMessages(global, shell.MainFrame(), shell.MainFrame(),
                         arguments[i].toLocal8Bit().toStdString());
        return;
    }
}

void InstallOtherFormatCommands(CKorvexView& view) {
    view.SetCommandHandler(cmd::kImportOtherFormat, &OnImportOtherFormat);
    view.SetCommandHandler(cmd::kExportOtherFormat, &OnExportOtherFormat);
}

}  // namespace korvex::shell
