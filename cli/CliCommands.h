#pragma once

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

class CKorvexGlobal;
class CFrameStoreSink;

namespace korvex::cli {

// Where the commands write. `out` is a C stream so that the text export goes
// through the same writer as the frame list's export.
struct CliStreams {
    std::FILE* out;
    std::ostream& err;
    bool progress;  // draw the upload progress bar on err
};

// The frame list's view settings from the settings folder (time mode,
// aliases), leaving the files untouched; nothing without a folder.
void LoadViewSettings(CKorvexGlobal& global, const std::filesystem::path& settingsFolder);
// The plug-in's column captions, told the language as at the program's start.
void TakeColumns(CFrameStoreSink& sink);

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
