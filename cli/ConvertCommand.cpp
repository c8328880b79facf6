#include "cli/ConvertCommand.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "cli/CommandArgs.h"
#include "cli/DataFileInput.h"
#include "cli/PassProgress.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/formats/ChannelChoice.h"
#include "core/formats/DataFormatTable.h"
#include "protolens/include/protolens.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "Usage: korvex-cli convert IN OUT [--from FORMAT] [--to FORMAT] [--iface NAME]\n"
    "                          [--utc] [--bitrate RATE] [--channel N] [--strict]\n"
    "                          [--no-events] [--trc-version 2.1|1.1]\n"
    "Converts a recording: IN from a candump log, ASC, Vector BLF, PCAN TRC, CSV\n"
    "(the program's or python-can's), a pcap or pcapng capture of SocketCAN frames\n"
    "or a .can data file, OUT into a candump log, ASC, BLF, TRC, CSV, pcapng, a .can\n"
    "snapshot or the text export. Into candump, ASC, BLF, TRC and pcapng each frame\n"
    "goes on the channel (bus, interface) it was read from.\n"
    "  --to FORMAT     candump, asc, blf, trc, csv, pcapng, can or txt; otherwise\n"
    "                  from the extension (.log, .asc, .blf, .trc, .csv, .pcapng,\n"
    "                  .can, .txt)\n"
    "  --iface NAME    candump and pcapng interface name of channel 1 (default can0);\n"
    "                  channel N adds N - 1 to its number\n"
    "  --no-events     leave event records out of candump, ASC, BLF, TRC and pcapng\n"
    "  --trc-version V TRC file version written: 2.1 (default) or 1.1\n"
    "  --time MODE     clock or relative, the time column of CSV and text\n";

// Linux interface names have at most 15 characters; canplayer splits lines
// at blanks, so a name holds none.
bool IsInterfaceName(const std::string& name) {
    if (name.empty() || name.size() > 15) return false;
    for (char c : name)
        if (c <= ' ' || c == '#' || c == '(' || c == ')' || c == 0x7F) return false;
    return true;
}

struct ConvertOptions {
    InputOptions input;
    std::filesystem::path outputPath;
    const formats::DataFormatInfo* output = nullptr;
    formats::WriteOptions write;
    int timeShowType = -1;
    bool help = false;
};

bool ParseConvert(const std::vector<std::string>& args, ConvertOptions& o, std::string& error) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const OptionTaken taken = TakeInputOption(args, i, o.input, error);
        if (taken == OptionTaken::kUsageError) return false;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--to") {
            o.output = hasValue ? formats::FindFormatByName(args[++i]) : nullptr;
            if (o.output == nullptr || o.output->write == nullptr) {
                error = "--to takes candump, asc, csv, blf, trc, pcapng, can or txt";
                return false;
            }
        } else if (a == "--iface") {
            if (!hasValue || !IsInterfaceName(args[i + 1])) {
                error = "--iface needs an interface name of 1 to 15 characters without blanks";
                return false;
            }
            o.write.iface = args[++i];
        } else if (a == "--no-events") {
            o.write.noEvents = true;
        } else if (a == "--trc-version") {
            const std::string version = hasValue ? args[++i] : "";
            if (version == "2.1") {
                o.write.trcVersion = formats::kTrcVersion21;
            } else if (version == "1.1") {
                o.write.trcVersion = formats::kTrcVersion11;
            } else {
                error = "--trc-version takes 2.1 or 1.1";
                return false;
            }
        } else if (a == "--time") {
            if (!hasValue || !ParseTimeMode(args[++i], o.timeShowType)) {
                error = kTimeModeError;
                return false;
            }
        } else if (!a.empty() && a[0] != '-' && files.size() < 2) {
            files.push_back(a);
        } else {
            error = "unexpected argument '" + a + "'";
            return false;
        }
    }
    if (o.help) return true;
    if (files.size() != 2) {
        error = "convert needs IN and OUT";
        return false;
    }
    o.input.path = files[0];
    o.outputPath = files[1];
    o.write.utc = o.input.read.utc;
    if (o.output == nullptr) {
        o.output = formats::FindFormatByFileName(o.outputPath);
        if (o.output == nullptr || o.output->write == nullptr) {
            error = "cannot tell the format of " + files[1] + " from its name; give --to";
            return false;
        }
    }
    return true;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
               const CliStreams& io) {
    ConvertOptions options;
    std::string error;
    if (!ParseConvert(args, options, error)) {
        io.err << "korvex-cli: " << error << '\n' << kUsage << InputOptionsHelp() << std::flush;
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, io.out);
        std::fputs(InputOptionsHelp(), io.out);
        std::fflush(io.out);
        return kExitOk;
    }
    CKorvexGlobal global;
    CFrameStoreSink sink;
    // The frames' channels go on with them where the output names channels.
    formats::CFrameChannels channels;
    if (formats::WritesChannels(options.output->format)) options.input.keepChannels = &channels;
    if (const int status =
            OpenFrameView(global, sink, options.input, options.timeShowType, settingsFolder, io))
        return status;

    const formats::WriteSource source{global.origTimeList, sink.frameStore, sink.captions,
                                      global.ExportContext(&AnalyCANFrame), &channels};
    CPassProgress writing(io, "writing");
    options.write.split = writing.Split();
    const bool written = options.output->write(options.outputPath, source, options.write);
    writing.Finish();
    if (!written) {
        io.err << "korvex-cli: cannot write " << options.outputPath.string() << ": "
               << std::strerror(errno) << '\n'
               << std::flush;
        return kExitFailed;
    }
    std::fprintf(io.out, "%s\n",
                 FrameCountText(kFrameTotalLabel, sink.frameStore.GetCount()).c_str());
    std::fflush(io.out);
    return kExitOk;
}

}  // namespace korvex::cli
