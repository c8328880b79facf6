#include "cli/TransportCommand.h"

#include <cstdio>

#include "cli/CommandArgs.h"
#include "cli/OutputTarget.h"
#include "cli/PassProgress.h"
#include "cli/SignalCommands.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/transport/SpnNames.h"
#include "core/transport/TransportCsv.h"
#include "core/transport/TransportPass.h"
#include "protolens/include/protolens.h"

namespace korvex::cli {
namespace {

constexpr char kTransportUsage[] =
    "usage: korvex-cli transport FILE [--isotp REQ:RESP[,REQ:RESP...]|none]\n"
    "                            [--dbc DB.dbc ...] [--time clock|relative]\n"
    "                            [-o OUT.csv] [input options]\n"
    "\n"
    "Puts together the ISO-TP (ISO 15765-2) and J1939 transport (TP.CM BAM and\n"
    "RTS/CTS with TP.DT) messages of a recording and writes them as CSV (UTF-8,\n"
    "RFC 4180 quoting) to OUT or standard output: the header\n"
    "first,last,time,protocol,source,target,pgn,length,status,data,meaning, then\n"
    "one line per message in the order of their first frames. first and last are\n"
    "the frame indices of its first and last frame, time the last one's time text\n"
    "as the frame list shows it; source and target the ISO-TP identifiers (no\n"
    "target for a functional request) or the J1939 addresses; pgn the transported\n"
    "group; length the announced length; data the bytes received. status is\n"
    "complete, sequence error (a frame out of order, which is then the last),\n"
    "timeout (no next frame within 1 s for ISO-TP, 750 ms for J1939), aborted\n"
    "(J1939 Abort, then the last frame) or incomplete (the recording, its span or\n"
    "a new message of the same sender came first). meaning names the UDS or OBD\n"
    "service, data identifier, sub-function or response code, the J1939 group and\n"
    "the lamps and fault codes of a DM1 or DM2. Flow control, CTS and\n"
    "acknowledgements are no messages.\n"
    "  --isotp PAIRS   the ISO-TP identifier pairs, hexadecimal, 29-bit when written\n"
    "                  with more than 3 digits; none: no ISO-TP. Default: 0x7E0-0x7E7\n"
    "                  with 0x7E8-0x7EF, functional 0x7DF, 0x18DA<TA><SA> with\n"
    "                  0x18DA<SA><TA>, functional 0x18DB33<SA>\n"
    "  --dbc DB.dbc    name fault codes' SPNs by the databases' SPN attributes;\n"
    "                  with --strict a database is refused at its first warning\n"
    "  -o OUT.csv      write to OUT.csv instead of standard output\n"
    "  --time MODE     clock or relative time (default: the program's setting)\n";

constexpr char kDtcUsage[] =
    "usage: korvex-cli dtc FILE [--time clock|relative] [-o OUT.csv] [input options]\n"
    "\n"
    "Lists the fault codes of the J1939 DM1 messages of a recording (single frames\n"
    "and transported ones that arrived whole) as CSV (UTF-8, RFC 4180 quoting):\n"
    "the header source,spn,fmi,oc,first,last,first_time,last_time,reports,\n"
    "active_at_end, then one line per episode: a source's SPN and FMI from the\n"
    "first DM1 of that source that lists it to the last one before a DM1 that does\n"
    "not. first and last are the frame indices of the last frame of its first and\n"
    "last DM1, oc the occurrence count of its last report, reports how many DM1s\n"
    "listed it, active_at_end yes when the source's last DM1 lists it. Lines in\n"
    "the order of first, then source, SPN and FMI.\n"
    "  -o OUT.csv      write to OUT.csv instead of standard output\n"
    "  --time MODE     clock or relative time (default: the program's setting)\n";

struct TransportArgs {
    InputOptions input;
    transport::CIsoTpPairs pairs = transport::CIsoTpPairs::Standard();
    std::vector<std::filesystem::path> databases;
    std::filesystem::path output;
    int timeShowType = -1;
};

// Returns an empty text, or the usage error. `dtc`: the options of dtc only.
std::string ParseArgs(const std::vector<std::string>& args, bool dtc, TransportArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--isotp" && !dtc) {
            if (!hasValue) return "--isotp needs REQ:RESP pairs or none";
            std::optional<transport::CIsoTpPairs> pairs =
                transport::CIsoTpPairs::Parse(args[++i], error);
            if (!pairs) return "--isotp: " + error;
            out.pairs = std::move(*pairs);
        } else if (a == "--dbc" && !dtc) {
            if (!hasValue) return "--dbc needs a database file";
            out.databases.emplace_back(args[++i]);
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
    return {};
}

// Parses, loads the recording, reads its transport and writes what write()
// makes of it to the output.
template <typename Write>
int RunReading(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
               const CliStreams& io, bool dtc, const Write& write) {
    const char* command = dtc ? "dtc" : "transport";
    const char* usage = dtc ? kDtcUsage : kTransportUsage;
    if (HelpAsked(args)) return PrintRecordingUsage(io, usage);
    TransportArgs parsed;
    if (const std::string error = ParseArgs(args, dtc, parsed); !error.empty())
        return CommandUsageError(io, command, usage, error);
    // Fault codes come from J1939 alone.
    if (dtc) parsed.pairs = transport::CIsoTpPairs::None();

    signaldb::CSignalDecoder decoder;
    if (!parsed.databases.empty() &&
        !ReadSignalDatabases(parsed.databases, io, decoder, parsed.input.read.strict))
        return kExitFailed;
    const transport::CSpnNames spnNames(decoder);

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status =
            OpenFrameView(global, sink, parsed.input, parsed.timeShowType, settingsFolder, io))
        return status;

    COutputTarget output;
    if (!output.Open(parsed.output, io)) return kExitFailed;
    const FrameView frames = sink.frameStore.View();
    transport::TransportReading reading;
    CPassProgress progress(io, "reading");
    transport::ReadTransport(frames, parsed.pairs, progress.Split(), reading);
    progress.Finish();

    std::FILE* target = output.Get();
    const ExportRowContext context = global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    transport::SpnNameFn spnName;
    if (!spnNames.Empty()) spnName = [&](std::uint32_t spn) { return spnNames.Find(spn); };
    bool ok = write(target, reading, frames, context, spnName);
    const std::string what = std::string(command) + " lines";
    return output.Finish(ok, what, io) ? kExitOk : kExitFailed;
}

}  // namespace

int RunTransportCommand(const std::vector<std::string>& args,
                        const std::filesystem::path& settingsFolder, const CliStreams& io) {
    return RunReading(
        args, settingsFolder, io, false,
        [](std::FILE* target, const transport::TransportReading& reading, const FrameView& frames,
           const ExportRowContext& context, const transport::SpnNameFn& spnName) {
            return transport::WriteTransportCsv(target, reading.messages, frames, context, spnName);
        });
}

int RunDtcCommand(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
                  const CliStreams& io) {
    return RunReading(
        args, settingsFolder, io, true,
        [](std::FILE* target, const transport::TransportReading& reading, const FrameView& frames,
           const ExportRowContext& context, const transport::SpnNameFn&) {
            return transport::WriteDtcCsv(target, transport::BuildDtcEpisodes(reading.dm1Reports),
                                          frames, context);
        });
}

}  // namespace korvex::cli
