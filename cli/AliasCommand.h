#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli alias list | add --field F --value TEXT --name NAME | remove LINE:
// the alias window's list and its Add and Delete, on the alias group of
// softwareCfg.xml in the settings folder.
int RunAliasCommand(const std::vector<std::string>& args,
                    const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
