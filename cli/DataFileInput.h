#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/DataFormatTable.h"

class CKorvexGlobal;

// The input file of the commands that read recordings (dump, convert and the
// analyses): which format, and how the other tools' logs are read.
namespace korvex::cli {

struct CliStreams;

struct InputOptions {
    std::filesystem::path path;
    std::optional<formats::DataFormat> format;  // none: from the file's contents
    formats::ReadOptions read;
    // Where the frames' channels go when the caller writes them on.
    formats::CFrameChannels* keepChannels = nullptr;
};

enum class OptionTaken { kNo, kYes, kUsageError };

// Takes args[i] (and its value, advancing i) when it is one of --from FORMAT
// (a readable format's name), --stream, --snapshot, --utc, --bitrate RATE,
// --strict, --channel N. On a usage error `error` names the option.
OptionTaken TakeInputOption(const std::vector<std::string>& args, std::size_t& i,
                            InputOptions& input, std::string& error);

// The lines of the --help texts that describe those options.
const char* InputOptionsHelp();
// The --help of a command that reads a recording: `usage`, then those
// lines, on io.out; kExitOk.
int PrintRecordingUsage(const CliStreams& io, const char* usage);

// Reads the input into `global` (its clock list and sinks), reporting every
// unreadable line on io.err as "FILE:LINE: reason", and what the read left
// out (damage that ended it early, long CAN FD frames). kExitOk, or
// kExitFailed with the reason on io.err.
int LoadInputFile(const InputOptions& input, CKorvexGlobal& global, const CliStreams& io);

}  // namespace korvex::cli
