#include "cli/DataFileInput.h"

#include "cli/CliCommands.h"
#include "cli/CommandArgs.h"
#include "cli/PassProgress.h"

#include "core/KorvexGlobal.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/LoadDataFile.h"
#include "protolens/include/protolens.h"

namespace korvex::cli {

OptionTaken TakeInputOption(const std::vector<std::string>& args, std::size_t& i,
                            InputOptions& input, std::string& error) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--from") {
        const formats::DataFormatInfo* info =
            hasValue ? formats::FindFormatByName(args[++i]) : nullptr;
        if (info == nullptr || info->read == nullptr) {
            error = "--from takes " + formats::ReadableFormatNames();
            return OptionTaken::kUsageError;
        }
        input.format = info->format;
    } else if (a == "--stream") {
        input.format = formats::DataFormat::kStream;
    } else if (a == "--snapshot") {
        input.format = formats::DataFormat::kSnapshot;
    } else if (a == "--utc") {
        input.read.utc = true;
    } else if (a == "--strict") {
        input.read.strict = true;
    } else if (a == "--bitrate") {
        const auto index = hasValue ? formats::BitRateIndexFromText(args[++i]) : std::nullopt;
        if (!index) {
            error = "--bitrate takes 1000K, 800K, 500K, 250K, 125K, 100K, 50K, 20K, 10K or 5K";
            return OptionTaken::kUsageError;
        }
        input.read.bitRateIndex = *index;
    } else if (a == "--channel") {
        const std::string value = hasValue ? args[++i] : "";
        const auto n = formats::ParseChannelNumber(value);
        if (!n) {
            error = "--channel needs a channel number from 1 to 65535";
            return OptionTaken::kUsageError;
        }
        input.read.channel = *n;
    } else {
        return OptionTaken::kNo;
    }
    return OptionTaken::kYes;
}

int PrintRecordingUsage(const CliStreams& io, const char* usage) {
    PrintUsage(io, usage);
    return PrintUsage(io, InputOptionsHelp());
}

const char* InputOptionsHelp() {
    return "  --from FORMAT   candump, asc, csv, blf, trc, pcap, pcapng, can (snapshot)\n"
           "                  or stream;\n"
           "                  otherwise from the file's contents, the extension deciding\n"
           "                  only where they fit several; a .can file whose size fits\n"
           "                  only a stream file is read as one, else as a snapshot\n"
           "  --snapshot, --stream  the .can layout\n"
           "  --utc           the log's dates are UTC (default: local time)\n"
           "  --bitrate RATE  bit rate of the spans read from a log (1000K ... 5K;\n"
           "                  default unknown)\n"
           "  --channel N     read channel (bus) N only: ASC, BLF, TRC, pcapng interface\n"
           "                  N, candump interface N in name order (default: all, merged\n"
           "                  where the output has no channels; a file without channels\n"
           "                  has channel 1 only)\n"
           "  --strict        stop at the first unreadable line or damaged object (exit 1);\n"
           "                  otherwise they are skipped, counted and named\n";
}

int LoadInputFile(const InputOptions& input, CKorvexGlobal& global, const CliStreams& io) {
    formats::LoadRequest request;
    request.read = input.read;
    request.keepChannels = input.keepChannels;
    // The program's own CSV names frame formats in the plug-in's words.
    request.read.frameWords = formats::ProtocolFrameWords(&AnalyCANFrame);
    const std::string name = input.path.string();
    request.badLine = [&](long long line, std::string_view reason) {
        io.err << "korvex-cli: " << name << ':' << line << ": " << reason << '\n';
    };
    // A .can file is read by the command's own pass over its frames.
    request.reading = FrameReading::kByFirstUse;
    CPassProgress reading(io, "reading");
    request.split = reading.Split();
    const formats::ReadResult result =
        formats::LoadDataFile(input.path, input.format, request, global);
    reading.Finish();
    const bool read = result.status == formats::ReadStatus::kOk;
    if (!read) io.err << "korvex-cli: " << formats::ReadResultText(result, input.path) << '\n';
    // A file without frames says what it held instead.
    if (read || result.status == formats::ReadStatus::kHoldsNoFrames) {
        if (result.badLines > 0)
            io.err << "korvex-cli: " << name << ": " << result.badLines << " lines skipped\n";
        for (const std::string& note : formats::ReadNoteTexts(result, input.path))
            io.err << "korvex-cli: " << note << '\n';
    }
    io.err << std::flush;
    return read ? kExitOk : kExitFailed;
}

}  // namespace korvex::cli
