#include "cli/DiscoverCommand.h"

#include <cerrno>
#include <cstdio>
#include <limits>

#include "app/common/rules/HexText.h"
#include "cli/CommandArgs.h"
#include "cli/DataFileInput.h"
#include "cli/OutputTarget.h"
#include "cli/PassProgress.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/discover/Discover.h"
#include "core/discover/DiscoveryTable.h"
#include "core/discover/DraftDbc.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli discover FILE [--ids ID,...] [--min-frames N] [-o DRAFT.dbc]\n"
    "                           [input options]\n"
    "\n"
    "Finds signals in a recording without a signal database. For every identifier\n"
    "and data length it counts how often each data bit is 1 and how often it flips\n"
    "from one frame of the identifier to the next, then looks for rolling counters\n"
    "(2 to 8 bits counting up by one), a checksum byte (XOR, sum mod 256, CRC-8 SAE\n"
    "J1850 or CRC-8H2F over the other bytes, with or without the identifier's low\n"
    "byte first), signals (bits whose flip rate falls from the lowest bit up, in\n"
    "Intel or Motorola byte order, signed or unsigned) and rarely changing one-bit\n"
    "flags. Identifiers with too few frames or changes are named as such.\n"
    "Without -o it prints what it found as a table; with -o it writes a draft signal\n"
    "database (DBC, UTF-8) that decode and the program read: a message M_<ID> per\n"
    "identifier, signals Counter, Checksum, S1... and F1... with factor 1, offset 0,\n"
    "the range of the values seen and a comment that says what was found.\n"
    "  --ids LIST      only these identifiers (hexadecimal, separated by commas)\n"
    "  --min-frames N  identifiers with fewer frames are not analysed (default 50)\n"
    "  -o DRAFT.dbc    write the draft database to DRAFT.dbc\n";

struct DiscoverArgs {
    InputOptions input;
    discover::DiscoverOptions options;
    std::filesystem::path output;
};

bool ParseIds(const std::string& text, std::vector<std::uint32_t>& ids) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::uint32_t id = 0;
        if (!ParseHexNumber(std::string_view(text).substr(start, comma - start), id) ||
            id > 0x1FFFFFFF)
            return false;
        ids.push_back(id);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

bool ParseCount(const std::string& text, std::int64_t& value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < 1 ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = v;
    return true;
}

// Returns an empty text, or the usage error.
std::string ParseArgs(const std::vector<std::string>& args, DiscoverArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        const OptionTaken taken = TakeInputOption(args, i, out.input, error);
        if (taken == OptionTaken::kUsageError) return error;
        if (taken == OptionTaken::kYes) continue;
        if (a == "--ids") {
            if (!hasValue || !ParseIds(args[++i], out.options.ids))
                return "--ids needs identifiers in hexadecimal, separated by commas";
        } else if (a == "--min-frames") {
            if (!hasValue || !ParseCount(args[++i], out.options.minFrames))
                return "--min-frames needs a whole number of frames from 1";
        } else if (a == "-o") {
            if (!hasValue || args[i + 1].empty()) return "-o needs a file";
            out.output = args[++i];
        } else if (out.input.path.empty() && !a.empty() && a[0] != '-') {
            out.input.path = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (out.input.path.empty()) return "no recording given";
    return {};
}

}  // namespace

int RunDiscoverCommand(const std::vector<std::string>& args,
                       const std::filesystem::path& settingsFolder, const CliStreams& io) {
    if (HelpAsked(args)) return PrintRecordingUsage(io, kUsage);
    DiscoverArgs discover;
    if (const std::string error = ParseArgs(args, discover); !error.empty())
        return CommandUsageError(io, "discover", kUsage, error);

    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status = OpenFrameView(global, sink, discover.input, -1, settingsFolder, io))
        return status;

    std::vector<discover::MessageDiscovery> messages;
    CPassProgress discovering(io, "discovering");
    discover::DiscoverMessages(sink.frameStore.View(), discover.options, discovering.Split(),
                               messages);
    discovering.Finish();
    if (messages.empty()) {
        io.err << "korvex-cli: " << discover.input.path.string()
               << (discover.options.ids.empty() ? ": no data frames to analyse"
                                                : ": no data frames of the identifiers given")
               << '\n'
               << std::flush;
        return kExitFailed;
    }
    const bool draft = !discover.output.empty();
    const std::string text = draft ? discover::DbcText(discover::DraftDatabase(messages))
                                   : discover::DiscoveryTable(messages);
    COutputTarget output;
    if (!output.Open(discover.output, io)) return kExitFailed;
    const bool written = std::fwrite(text.data(), 1, text.size(), output.Get()) == text.size();
    return output.Finish(written, draft ? "draft database" : "table", io) ? kExitOk : kExitFailed;
}

}  // namespace korvex::cli
