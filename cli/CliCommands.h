#pragma once

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/DataFileInput.h"

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
// What the commands that read a recording share: the view settings of the
// settings folder, the time mode (`timeShowType` -1 keeps the settings'), the
// plug-in's captions on `sink` as the global state's first sink, then the
// file. Returns kExitOk, or kExitFailed with the reason on err (and each
// unreadable line of a log).
int OpenFrameView(CKorvexGlobal& global, CFrameStoreSink& sink, const InputOptions& input,
                  int timeShowType, const std::filesystem::path& settingsFolder,
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
