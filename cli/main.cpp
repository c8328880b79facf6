// korvex-cli: the program's upload, data files and device information without
// a window.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/UploadWatcher.h"
#include "core/SettingsFolder.h"

namespace {

// The first Ctrl-C cancels the upload (the frames so far are kept); a second
// one ends the program the usual way.
extern "C" void OnInterrupt(int) {
    korvex::cli::RequestCancel();
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, OnInterrupt);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const korvex::cli::CliStreams io{stdout, std::cerr, isatty(STDERR_FILENO) == 1};
    return korvex::cli::RunCommandLine(args, korvex::SettingsFolder(), io);
}
