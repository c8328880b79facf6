#include <cstdio>

#include "app/signals/rules/DecodedCsv.h"
#include "app/signals/rules/SignalSelection.h"
#include "cli/CommandArgs.h"
#include "cli/OutputTarget.h"
#include "cli/PassProgress.h"
#include "cli/SignalCommands.h"
#include "core/FrameRowText.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/signals/DbcReader.h"
#include "protolens/include/protolens.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli decode FILE --dbc DB.dbc [--dbc DB2.dbc ...] [--strict]\n"
    "                         [--signals MESSAGE.SIGNAL,...] [-o OUT.csv]\n"
    "                         [--time clock|relative] [input options]\n"
    "\n"
    "Decodes every signal of every frame of a recording with the messages of the\n"
    "given signal databases (for a frame, the first database that has its message\n"
    "wins) and writes CSV (UTF-8, RFC 4180 quoting) to OUT or standard output:\n"
    "the header index,time,id,message,signal,raw,value,unit,text, then one line per\n"
    "decoded signal in frame order and, within a frame, in the database's order.\n"
    "index is the frame's index in the file, time its time text as the frame list\n"
    "shows it, raw the raw integer (for float and double signals the value), value\n"
    "the physical value with the decimals its factor and offset carry, text the\n"
    "value table's text. Remote frames, event records and frames of no known\n"
    "message give no lines. A statement of a database that cannot be read is\n"
    "skipped with a warning on standard error (\"warning: FILE:LINE: reason\").\n"
    "With --strict (an input option) a database is refused at its first warning.\n"
    "  --signals LIST  only these signals, as MESSAGE.SIGNAL separated by commas\n"
    "  -o OUT.csv      write to OUT.csv instead of standard output\n"
    "  --time MODE     clock or relative time (default: the program's setting)\n";

// A frame gives a line per signal, so blocks are kept small enough that the
// lines the cores hold ahead of the writing stay a few megabytes.
constexpr std::int64_t kFramesPerBlock = 1 << 12;

struct DecodeArgs {
    InputOptions input;
    std::vector<std::filesystem::path> databases;
    std::vector<std::string> signalNames;  // MESSAGE.SIGNAL
    std::filesystem::path output;
    int timeShowType = -1;
};

void SplitList(const std::string& text, std::vector<std::string>& out) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        out.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

// Returns an empty text, or the usage error.
std::string ParseArgs(const std::vector<std::string>& args, DecodeArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--dbc") {
            if (!hasValue) return "--dbc needs a database file";
            out.databases.emplace_back(args[++i]);
        } else if (a == "--signals") {
            if (!hasValue) return "--signals needs MESSAGE.SIGNAL names";
            SplitList(args[++i], out.signalNames);
        } else if (a == "-o") {
            if (!hasValue || args[i + 1].empty()) return "-o needs a file";
            out.output = args[++i];
        } else if (a == "--time") {
            if (!hasValue || !ParseTimeMode(args[++i], out.timeShowType)) return kTimeModeError;
        } else if (out.input.path.empty() && !a.empty() && a[0] != '-') {
            out.input.path = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (out.input.path.empty()) return "no recording given";
    if (out.databases.empty()) return "no signal database given (--dbc)";
    std::string message;
    std::string signal;
    for (const std::string& name : out.signalNames)
        if (!signaldb::SplitSignalName(name, message, signal))
            return "--signals takes MESSAGE.SIGNAL, not '" + name + "'";
    return {};
}

}  // namespace

int RunDecodeCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintRecordingUsage(io, kUsage);
    DecodeArgs decode;
    if (const std::string error = ParseArgs(args, decode); !error.empty())
        return CommandUsageError(io, "decode", kUsage, error);

    signaldb::CSignalDecoder decoder;
    // --strict, an input option, refuses damaged databases as it does a
    // damaged recording.
    if (!ReadSignalDatabases(decode.databases, io, decoder, decode.input.read.strict))
        return kExitFailed;
    std::string missing;
    const signaldb::SignalSelection selected =
        signaldb::SelectSignals(decoder, decode.signalNames, missing);
    if (!missing.empty())
        return CommandUsageError(io, "decode", kUsage,
                                 "no database has the signal '" + missing + "'");

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status =
            OpenFrameView(global, sink, decode.input, decode.timeShowType, settingsFolder, io))
        return status;

    COutputTarget output;
    if (!output.Open(decode.output, io)) return kExitFailed;
    std::FILE* target = output.Get();
    const ExportRowContext context = global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    const std::size_t headerSize = sizeof signaldb::kDecodedCsvHeader - 1;
    bool ok = std::fwrite(signaldb::kDecodedCsvHeader, 1, headerSize, target) == headerSize;
    CPassProgress decoding(io, "decoding");
    PassSplit split = decoding.Split();
    split.blockItems = kFramesPerBlock;
    ok = ok && signaldb::WriteDecodedCsvLines(target, decoder, selected, sink.frameStore.View(),
                                              context, split);
    decoding.Finish();
    return output.Finish(ok, "decoded signals", io) ? kExitOk : kExitFailed;
}

}  // namespace korvex::cli
