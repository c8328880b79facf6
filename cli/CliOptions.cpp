#include "cli/CliOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "cli/CommandTable.h"

namespace korvex::cli {
namespace {

bool ParseIndex(const std::string& text, std::uint32_t& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > 255) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

CliVerb VerbOf(const std::string& word) {
    if (word == "devices") return CliVerb::kDevices;
    if (word == "upload") return CliVerb::kUpload;
    if (word == "dump") return CliVerb::kDump;
    if (word == "info") return CliVerb::kInfo;
    return CliVerb::kNone;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options,
                     std::string& error) {
    options = CliOptions{};
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        options.help = true;
        return true;
    }
    options.verb = VerbOf(args[0]);
    if (options.verb == CliVerb::kNone) {
        error = "unknown command '" + args[0] + "'";
        return false;
    }
    const bool takesDevice = options.verb == CliVerb::kUpload || options.verb == CliVerb::kInfo;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if ((a == "-d" || a == "--device") && takesDevice) {
            if (!hasValue || !ParseIndex(args[++i], options.deviceIndex)) {
                error = "-d needs a device index from 0 to 255";
                return false;
            }
        } else if ((a == "-o" || a == "--output") && options.verb == CliVerb::kUpload) {
            if (!hasValue || args[i + 1].empty()) {
                error = "-o needs a file name";
                return false;
            }
            options.outputPath = args[++i];
        } else if (const OptionTaken taken = options.verb == CliVerb::kDump
                                                 ? TakeInputOption(args, i, options.input, error)
                                                 : OptionTaken::kNo;
                   taken != OptionTaken::kNo) {
            if (taken == OptionTaken::kUsageError) return false;
        } else if (a == "--time" && options.verb == CliVerb::kDump) {
            const std::string mode = hasValue ? args[++i] : "";
            if (mode == "clock") {
                options.timeShowType = 0;
            } else if (mode == "relative") {
                options.timeShowType = 1;
            } else {
                error = "--time takes 'clock' or 'relative'";
                return false;
            }
        } else if (options.verb == CliVerb::kDump && options.input.path.empty() && !a.empty() &&
                   a[0] != '-') {
            options.input.path = a;
        } else {
            error = "unexpected argument '" + a + "'";
            return false;
        }
    }
    if (options.help) return true;
    if (options.verb == CliVerb::kUpload && options.outputPath.empty()) {
        error = "upload needs -o FILE";
        return false;
    }
    if (options.verb == CliVerb::kDump && options.input.path.empty()) {
        error = "dump needs a data file";
        return false;
    }
    return true;
}

const char* UsageText(CliVerb verb) {
    switch (verb) {
        case CliVerb::kDevices:
            return "Usage: korvex-cli devices\n"
                   "Lists the attached recorders (device type 21) by the index that -d takes,\n"
                   "each with where it is plugged in (bus, port path and device number), its\n"
                   "serial number when it has one, and, for one that cannot be opened, why and\n"
                   "what to do about it.\n";
        case CliVerb::kUpload:
            return "Usage: korvex-cli upload [-d INDEX] -o FILE\n"
                   "Uploads every frame the recorder holds and writes FILE: a snapshot data\n"
                   "file (clock list included) when its extension is \"can\", else the text\n"
                   "export of the frame list. Clock records and 0xFE event records are left\n"
                   "out. Ctrl-C stops the upload and keeps the frames received so far.\n"
                   "  -d, --device INDEX  recorder index (default 0)\n"
                   "  -o, --output FILE   file to write\n";
        case CliVerb::kDump:
            return "Usage: korvex-cli dump FILE [--time clock|relative] [input options]\n"
                   "Prints the text export of a recording (a .can snapshot or real-time save\n"
                   "file, a candump log, ASC, BLF, TRC or CSV), header line included, as the\n"
                   "frame list exports it. Aliases come from softwareCfg.xml in the settings\n"
                   "folder, the time mode from DevCfg.ini there unless --time is given.\n";
        case CliVerb::kInfo:
            return "Usage: korvex-cli info [-d INDEX]\n"
                   "Reads the recorder's base configuration and acceptance filter.\n"
                   "  -d, --device INDEX  recorder index (default 0)\n";
        case CliVerb::kNone:
            break;
    }
    return "Usage: korvex-cli COMMAND [OPTIONS]\n"
           "Commands:\n"
           "  devices   list the attached recorders\n"
           "  upload    upload the recorded frames into a data or text file\n"
           "  dump      print a data file as the frame list's text export\n"
           "  info      show a recorder's configuration\n";
}

std::string CommandTableUsage() {
    std::string text;
    for (const CliCommand& command : CliCommandTable()) {
        std::string name = command.name;
        name.resize(std::max<std::size_t>(name.size() + 1, 10), ' ');
        text += "  " + name + command.summary + '\n';
    }
    text +=
        "Global options, before or after the command:\n"
        "  --language INDEX  texts in language INDEX of the language list for this run\n"
        "                    (default: the language chosen in the program)\n"
        "  --verbose         every USB transfer of a device command on stderr: direction,\n"
        "                    pipe, bytes moved of bytes asked, the first bytes, and why it\n"
        "                    failed\n"
        "Run 'korvex-cli COMMAND --help' for a command's options.\n"
        "Exit status: 0 success, 1 device or file operation failed, 2 usage error.\n";
    return text;
}

}  // namespace korvex::cli
