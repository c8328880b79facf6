#include "app/shell/OtherFormatCommands.h"

#include <QAbstractItemModel>
#include <string>

#include "app/common/rules/NumberedFormat.h"
#include "app/framelist/KorvexList.h"
#include "app/services/WindowHandle.h"
#include "app/shell/FileLoadPump.h"
#include "app/shell/KorvexShell.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
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

// What a read that succeeded left out, one line each: skipped lines, the
// damage that ended a binary log early, long CAN FD frames.
std::string LeftOutText(const formats::ReadResult& result, long long firstBad) {
    std::string text;
    const auto add = [&text](const std::string& line) {
        if (!text.empty()) text += '\n';
        text += line;
    };
    if (result.badLines > 0) add(FormatString(fmt::kStrLinesSkipped, result.badLines, firstBad));
    if (result.damageOffset >= 0)
        add(FormatString(fmt::kStrDamagedAt, result.damageOffset, result.damage.c_str()));
    if (result.longFdFrames > 0) add(FormatString(fmt::kStrLongFdSkipped, result.longFdFrames));
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
    const formats::ReadResult result = formats::ImportOtherFormatFile(path, request, global);
    pump.Finish();
    if (result.status != formats::ReadStatus::kOk) {
        const std::string reason = ImportRefusalText(result, path);
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
    if (!formats::ExportOtherFormatFile(path, source))
        global.ShowMessage(ToCWnd(&view), XTPLoadString(fmt::kStrExportFailed),
                           name_share::kMsgError, 0);
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
