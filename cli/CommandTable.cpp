#include "cli/CommandTable.h"

namespace korvex::cli {

const std::vector<CliCommand>& CliCommandTable() {
    static const std::vector<CliCommand> table = {};
    return table;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& command : CliCommandTable())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace korvex::cli
