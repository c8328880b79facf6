#include "cli/ClassifyCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/analysis/rules/ClusterColumns.h"
#include "app/analysis/rules/ClusterResult.h"
#include "cli/CommandArgs.h"
#include "cli/PassProgress.h"
#include "core/FrameRowText.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli classify FILE --columns N[,N...] [--unfold]\n"
    "                           [--time clock|relative] [input options]\n"
    "\n"
    "Groups the frames of a recording (any format dump reads) by their texts in frame-list columns "
    "N (0 row,\n"
    "1 time, 2 alias, 3 ID, 4 format, 5 type, 6 DLC, 7 data, 8 remark) and prints\n"
    "the result list as its export writes it: a header of captions, then one line\n"
    "per group whose first field is \"index(frames)\" of its first frame. The\n"
    "columns are taken in ascending order, each once; column 0 first gives every\n"
    "frame a group of its own. --unfold lists each group's further frames under it.\n";

constexpr int kColumnCount = 9;

int Usage(const CliStreams& io, const std::string& error) {
    return CommandUsageError(io, "classify", kUsage, error);
}

struct ClassifyArgs {
    InputOptions input;
    bool unfold = false;
    bool haveColumns = false;
    int timeShowType = -1;
    std::vector<std::int32_t> columns;
};

// "3,7,3": each a column from 0 to 8, chosen as the settings dialog adds them.
bool ParseColumns(const std::string& text, std::vector<std::int32_t>& columns) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        if (item.size() != 1 || item[0] < '0' || item[0] >= '0' + kColumnCount) return false;
        AddClusterColumn(columns, item[0] - '0');
        at = comma + 1;
    }
    return !columns.empty();
}

// Returns an empty text, or the usage error.
std::string ParseArgs(const std::vector<std::string>& args, ClassifyArgs& out) {
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--unfold") {
            out.unfold = true;
        } else if (a == "--columns") {
            if (!hasValue || !ParseColumns(args[++i], out.columns))
                return "--columns needs columns from 0 to 8, separated by commas";
            out.haveColumns = true;
        } else if (a == "--time") {
            if (!hasValue || !ParseTimeMode(args[++i], out.timeShowType)) return kTimeModeError;
        } else if (out.input.path.empty() && !a.empty() && a[0] != '-') {
            out.input.path = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (out.input.path.empty()) return "no data file given";
    if (!out.haveColumns) return "--columns is missing";
    return {};
}

}  // namespace

int RunClassifyCommand(const std::vector<std::string>& args,
                       const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintRecordingUsage(io, kUsage);
    ClassifyArgs classify;
    if (const std::string error = ParseArgs(args, classify); !error.empty())
        return Usage(io, error);

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status =
            OpenFrameView(global, sink, classify.input, classify.timeShowType, settingsFolder, io))
        return status;

    const ExportRowContext context = global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    CClusterResult result;
    CPassProgress classifying(io, "grouping");
    result.Run(sink.frameStore, classify.columns, context, classifying.Split());
    classifying.Finish();
    if (classify.unfold) result.UnfoldAll();
    CPassProgress writing(io, "writing");
    if (!result.WriteExport(io.out, sink.captions, context, writing.Split())) {
        io.err << "korvex-cli: cannot write the text: " << std::strerror(errno) << '\n'
               << std::flush;
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace korvex::cli
