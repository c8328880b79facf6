#pragma once

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

class CFrameStoreSink;
class CKorvexGlobal;

namespace korvex::cli {

// Where the commands write. `out` is a C stream so that the text export goes
// through the same writer as the frame list's export.
struct CliStreams {
    std::FILE* out;
    std::ostream& err;
    bool progress;  // draw the upload progress bar on err
};

// The frame list's view settings without touching the settings files: the
// time mode from DevCfg.ini and the alias rules from softwareCfg.xml.
void LoadViewSettings(CKorvexGlobal& global, const std::filesystem::path& settingsFolder);
// Gives `sink` the plug-in's column captions, in the language's words.
void TakeColumns(CFrameStoreSink& sink);
// Reads a data file into the global state's frame sinks: any format the
// input options read, a .can file as a stream file with `stream` and with
// its layout from its size otherwise. Returns kExitOk, or kExitFailed with
// the reason on err (and each unreadable line of a log).
int LoadDataFile(const std::filesystem::path& path, bool stream, CKorvexGlobal& global,
                 const CliStreams& io);

int RunDevices(const CliStreams& io);
int RunUpload(const CliOptions& options, const std::filesystem::path& settingsFolder,
              const CliStreams& io);
int RunDump(const CliOptions& options, const std::filesystem::path& settingsFolder,
            const CliStreams& io);
int RunInfo(const CliOptions& options, const CliStreams& io);

// The whole command line (arguments after the program name): parsing, --help,
// the command, the exit status.
int RunCommandLine(const std::vector<std::string>& args,
                   const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
