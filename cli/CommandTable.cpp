#include "cli/CommandTable.h"

#include "cli/AliasCommand.h"
#include "cli/ConvertCommand.h"
#include "cli/SearchCommand.h"

namespace korvex::cli {

const std::vector<CliCommand>& CliCommandTable() {
    static const std::vector<CliCommand> table = {
        {"alias", "list, add or remove the frame list's alias rules", &RunAliasCommand},
        {"search", "search a data file's frames by the text of one column", &RunSearchCommand},
        {"convert", "convert a recording to or from candump, ASC, CSV, .can", &RunConvert},
    };
    return table;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& command : CliCommandTable())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace korvex::cli
