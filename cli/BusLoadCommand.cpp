#include "cli/BusLoadCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/analysis/rules/BusStatus.h"
#include "cli/CommandArgs.h"
#include "cli/PassProgress.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli busload FILE [--span K] [--from HH:MM:SS --to HH:MM:SS]\n"
    "                          [input options but --from]\n"
    "\n"
    "Prints the recording spans of a recording (one per clock record), then the\n"
    "bus traffic of span K (default 0) over the sub-interval --from ... --to\n"
    "(default the whole span, the end second included) in twenty steps: the\n"
    "precision, one line \"step<TAB>frames<TAB>load\" per step, the average flow in\n"
    "frames per second and the average load. A span whose bit rate has no known\n"
    "full-load figure shows its load as \"-\".\n";

int Usage(const CliStreams& io, const std::string& error) {
    return CommandUsageError(io, "busload", kUsage, error);
}

struct BusLoadArgs {
    InputOptions input;
    bool haveSpan = false;
    std::size_t span = 0;
    std::string from;
    std::string to;
};

bool ParseSpan(const std::string& text, std::size_t& span) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    span = std::stoul(text);
    return true;
}

std::string ParseArgs(const std::vector<std::string>& args, BusLoadArgs& out) {
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        // --from is the start of the sub-interval here, the format comes from the contents.
        if (a == "--from" || a == "--to") {
            if (!hasValue) return a + " needs a time HH:MM:SS";
            (a == "--from" ? out.from : out.to) = args[++i];
            continue;
        }
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--span") {
            if (!hasValue || !ParseSpan(args[++i], out.span)) return "--span needs a span number";
            out.haveSpan = true;
        } else if (out.input.path.empty() && !a.empty() && a[0] != '-') {
            out.input.path = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (out.input.path.empty()) return "no data file given";
    if (out.from.empty() != out.to.empty()) return "--from and --to go together";
    return {};
}

int Refuse(const CliStreams& io, std::uint32_t message) {
    io.err << XTPLoadString(message) << '\n' << std::flush;
    return kExitFailed;
}

void PrintSteps(std::FILE* out, CKorvexGlobal& global, const BusStatusOutcome& outcome) {
    std::fprintf(out, "precision: %d ms\n", outcome.precision);
    _tagBusFlowRecord flow{};
    _tagBusLoadRecord load{};
    for (int k = 0; global.busFlowSamples.Get(k, &flow); ++k) {
        const bool known = outcome.loadKnown && global.busLoadSamples.Get(k, &load);
        std::fprintf(out, "%d\t%d\t%s\n", k, flow.frameCount,
                     LoadText(known, load.loadPercent).c_str());
    }
    std::fprintf(out, "average flow: %d\n", outcome.averageFlow);
    std::fprintf(out, "average load: %s\n",
                 LoadText(outcome.loadKnown, outcome.averageLoad).c_str());
}

}  // namespace

int RunBusLoadCommand(const std::vector<std::string>& args,
                      const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintRecordingUsage(io, kUsage);
    BusLoadArgs busload;
    if (const std::string error = ParseArgs(args, busload); !error.empty()) return Usage(io, error);

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status = OpenFrameView(global, sink, busload.input, -1, settingsFolder, io))
        return status;

    // The one pass over the frames also counts the flow of the span asked for.
    CBusSpans spans;
    const BusFlowAhead ahead{busload.span, busload.from};
    CPassProgress distributing(io, "spans");
    spans.Distribute(sink.frameStore, global.origTimeList, distributing.Split(), &ahead);
    distributing.Finish();
    if (busload.haveSpan && busload.span >= spans.Count()) {
        return Usage(io, "--span " + std::to_string(busload.span) + ": the file has " +
                             std::to_string(spans.Count()) + " spans");
    }
    for (std::size_t k = 0; k < spans.Count(); ++k)
        std::fprintf(io.out, "%s\n", spans.ListText(k).c_str());
    std::fflush(io.out);
    if (busload.span >= spans.Count() || spans.FrameCount(busload.span) == 0)
        return Refuse(io, kMsgSpanWithoutData);

    BusSubInterval sub = SpanSubInterval(spans, busload.span);
    if (!busload.from.empty()) sub = {busload.from, busload.to};
    CPassProgress counting(io, "counting");
    const BusStatusOutcome outcome =
        ComputeBusStatus(spans, busload.span, sub.start, sub.end, global, counting.Split());
    counting.Finish();
    if (outcome.computed) PrintSteps(io.out, global, outcome);
    if (std::fflush(io.out) != 0) {
        io.err << "korvex-cli: cannot write the text: " << std::strerror(errno) << '\n'
               << std::flush;
        return kExitFailed;
    }
    if (outcome.message != 0) return Refuse(io, outcome.message);
    return kExitOk;
}

}  // namespace korvex::cli
