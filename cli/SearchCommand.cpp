#include "cli/SearchCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/analysis/rules/FrameSearch.h"
#include "app/analysis/rules/SearchChecks.h"
#include "app/signals/rules/SignalSelection.h"
#include "cli/CommandArgs.h"
#include "cli/PassProgress.h"
#include "cli/SignalCommands.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli search FILE --column N [--contains T] [--equal T]\n"
    "                         [--not-equal T] [--greater T] [--less T]\n"
    "                         [--time clock|relative] [input options]\n"
    "       korvex-cli search FILE --signal MESSAGE.SIGNAL --dbc DB.dbc\n"
    "                         [--dbc DB2.dbc ...] [conditions] [--time clock|relative]\n"
    "                         [input options]\n"
    "\n"
    "Searches the frames of a recording (any format dump reads) by the text of frame-list column N "
    "(0 row,\n"
    "1 time, 2 alias, 3 ID, 4 format, 5 type, 6 DLC, 7 data, 8 remark) and prints the\n"
    "hits as the search result list exports them: a header of captions, then one\n"
    "line per hit whose first field is the frame's index in the file. Every given\n"
    "condition must hold. --equal, --greater and --less also compare hexadecimal\n"
    "values; --greater and --less need column 3 or 6; --equal and --not-equal\n"
    "exclude each other.\n"
    "With --signal, the value of that signal is searched instead of a column, in\n"
    "the frames that carry it (decoded with the given signal databases; for a\n"
    "frame, the first database that has its message wins). A decimal text\n"
    "compares with the physical value, a text written 0x... with the raw value;\n"
    "--contains and --equal also match the value table's text. With --strict (an\n"
    "input option) a database is refused at its first warning.\n";

constexpr int kColumnCount = 9;

int Usage(const CliStreams& io, const std::string& error) {
    return CommandUsageError(io, "search", kUsage, error);
}

struct SearchArgs {
    InputOptions input;
    bool haveColumn = false;
    int timeShowType = -1;
    SearchRequest request;
    std::string signal;  // MESSAGE.SIGNAL
    std::vector<std::filesystem::path> databases;
};

bool ParseColumn(const std::string& text, int& column) {
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kColumnCount) return false;
    column = text[0] - '0';
    return true;
}

// Returns an empty text, or the usage error.
std::string ParseArgs(const std::vector<std::string>& args, SearchArgs& out) {
    static constexpr struct {
        const char* option;
        SearchCondition condition;
    } kConditions[] = {{"--contains", kContains},
                       {"--equal", kEqual},
                       {"--not-equal", kNotEqual},
                       {"--greater", kGreater},
                       {"--less", kLess}};
    std::string message;
    std::string signal;
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;

        bool matched = false;
        for (const auto& c : kConditions) {
            if (a != c.option) continue;
            if (!hasValue) return a + " needs a text";
            out.request.ticked[c.condition] = true;
            out.request.texts[c.condition] = args[++i];
            matched = true;
        }
        if (matched) continue;
        if (a == "--column") {
            if (!hasValue || !ParseColumn(args[++i], out.request.column))
                return "--column needs a column from 0 to 8";
            out.haveColumn = true;
        } else if (a == "--signal") {
            if (!hasValue || !signaldb::SplitSignalName(args[++i], message, signal))
                return "--signal needs MESSAGE.SIGNAL";
            out.signal = args[i];
        } else if (a == "--dbc") {
            if (!hasValue) return "--dbc needs a database file";
            out.databases.emplace_back(args[++i]);
        } else if (a == "--time") {
            if (!hasValue || !ParseTimeMode(args[++i], out.timeShowType)) return kTimeModeError;
        } else if (out.input.path.empty() && !a.empty() && a[0] != '-') {
            out.input.path = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (out.input.path.empty()) return "no data file given";
    if (out.haveColumn && !out.signal.empty()) return "--column and --signal exclude each other";
    if (!out.haveColumn && out.signal.empty()) return "--column is missing";
    if (out.signal.empty() != out.databases.empty())
        return out.signal.empty() ? "--dbc needs --signal" : "--signal needs a database (--dbc)";
    if (!out.signal.empty()) out.request.column = kSignalValueColumn;
    if (const char* option = SearchTicksRefused(out.request)) {
        return std::string(option) + (std::strcmp(option, "--not-equal") == 0
                                          ? " cannot go with --equal"
                                          : " needs --column 3 or 6");
    }
    return {};
}

}  // namespace

int RunSearchCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintRecordingUsage(io, kUsage);
    SearchArgs search;
    if (const std::string error = ParseArgs(args, search); !error.empty()) return Usage(io, error);
    if (!search.request.AnyTicked() || search.request.TickedTextEmpty()) {
        io.err << XTPLoadString(kStrSearchTextEmpty) << '\n' << std::flush;
        return kExitUsage;
    }

    signaldb::CSignalDecoder decoder;
    if (!search.signal.empty()) {
        if (!ReadSignalDatabases(search.databases, io, decoder, search.input.read.strict))
            return kExitFailed;
        std::string missing;
        signaldb::SelectSignals(decoder, {search.signal}, missing);
        if (!missing.empty()) return Usage(io, "no database has the signal '" + missing + "'");
    }

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status =
            OpenFrameView(global, sink, search.input, search.timeShowType, settingsFolder, io))
        return status;

    const ExportRowContext context = global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    CSearchResults results;
    CPassProgress searching(io, "searching");
    const SearchOutcome outcome =
        search.signal.empty() ? RunFrameSearch(search.request, false, sink.frameStore, context,
                                               results, searching.Split())
                              : RunSignalSearch(search.request, search.signal, decoder, false,
                                                sink.frameStore, results, searching.Split());
    searching.Finish();
    bool written = true;
    results.WriteExport(sink.captions, {}, context, [&](const std::string& line) {
        written = std::fwrite(line.data(), 1, line.size(), io.out) == line.size();
        return written;
    });
    if (std::fflush(io.out) != 0 || !written) {
        io.err << "korvex-cli: cannot write the text: " << std::strerror(errno) << '\n'
               << std::flush;
        return kExitFailed;
    }
    if (outcome.NothingFound()) io.err << XTPLoadString(kStrNotFound) << '\n' << std::flush;
    return kExitOk;
}

}  // namespace korvex::cli
