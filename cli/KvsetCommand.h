#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli kvset export|import: device configuration files (.kvset) of the
// settings folder, as the document exports and imports them.
int RunKvsetCommand(const std::vector<std::string>& args,
                    const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
