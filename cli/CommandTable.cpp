#include "cli/CommandTable.h"

#include "cli/ConvertCommand.h"

namespace korvex::cli {

const std::vector<CliCommand>& CliCommandTable() {
    static const std::vector<CliCommand> table = {
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
