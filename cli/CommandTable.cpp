#include "cli/CommandTable.h"

#include "cli/AliasCommand.h"
#include "cli/BitTimingCommand.h"
#include "cli/BusLoadCommand.h"
#include "cli/ClassifyCommand.h"
#include "cli/ConfigureCommand.h"
#include "cli/ConvertCommand.h"
#include "cli/DiscoverCommand.h"
#include "cli/KvsetCommand.h"
#include "cli/PresetsCommand.h"
#include "cli/RecorderCommand.h"
#include "cli/SearchCommand.h"
#include "cli/SignalCommands.h"
#include "cli/TransportCommand.h"

namespace korvex::cli {

const std::vector<CliCommand>& CliCommandTable() {
    static const std::vector<CliCommand> table = {
        {"alias", "list, add or remove the frame list's alias rules", &RunAliasCommand},
        {"search", "search a data file's frames by the text of one column", &RunSearchCommand},
        {"classify", "group a data file's frames by the texts of chosen columns",
         &RunClassifyCommand},
        {"busload", "bus flow and load of a data file's recording spans", &RunBusLoadCommand},
        {"bittiming", "list bit-timing register values for a clock and a bit rate",
         RunBitTimingCommand},
        {"configure", "change and write the recorder's configuration", RunConfigureCommand},
        {"presets", "read or write the recorder's six preset frames", RunPresetsCommand},
        {"clear", "clear the recorder's recorded frames", RunClearCommand},
        {"default", "restore the factory configuration of recorder 0", RunDefaultCommand},
        {"kvset", "export or import a device configuration file (.kvset)", RunKvsetCommand},
        {"convert", "convert a recording between candump, ASC, BLF, TRC, CSV, pcapng and .can",
         &RunConvert},
        {"dbc", "list the messages and signals of a signal database (DBC)", &RunDbcCommand},
        {"decode", "decode a recording's signals with signal databases, as CSV", &RunDecodeCommand},
        {"transport", "ISO-TP and J1939 transport messages of a recording, with meanings, as CSV",
         &RunTransportCommand},
        {"dtc", "the J1939 DM1 fault codes of a recording over time, as CSV", &RunDtcCommand},
        {"discover", "find counters, checksums and signals without a database; a draft DBC",
         &RunDiscoverCommand},
    };
    return table;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& command : CliCommandTable())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace korvex::cli
