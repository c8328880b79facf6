#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/CommandArgs.h"
#include "cli/SignalCommands.h"
#include "core/signals/DbcReader.h"
#include "core/signals/SignalText.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvex-cli dbc [--strict] FILE.dbc\n"
    "\n"
    "Lists the messages of a signal database, tab-separated: identifier (0x and 3\n"
    "hex digits for a standard one, 8 for an extended one), name, length in bytes,\n"
    "sender. Under each message, one line per signal, starting with a tab: name,\n"
    "start bit, length, byte order (intel or motorola), sign (signed, unsigned,\n"
    "float or double), factor, offset, minimum, maximum, unit, multiplexing (M,\n"
    "mN or mNM as the file marks it, then MULTIPLEXOR:VALUES when an SG_MUL_VAL_\n"
    "line selects the signal).\n"
    "A statement that cannot be read is skipped with a warning on standard error,\n"
    "\"warning: FILE:LINE: reason\", and the rest of the database is listed; a\n"
    "database without any message is refused with \"FILE: reason\".\n"
    "  --strict  refuse the database at the first warning, with FILE:LINE: reason\n";

const char* SignText(const signaldb::DbcSignal& s) {
    switch (s.valueType) {
        case signaldb::ValueType::kFloat:
            return "float";
        case signaldb::ValueType::kDouble:
            return "double";
        default:
            return s.isSigned ? "signed" : "unsigned";
    }
}

// A name or unit with a tab or line break in it would break the line up.
void AppendField(std::string& out, const std::string& field) {
    out += '\t';
    for (const char c : field) out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
}

void AppendNumberField(std::string& out, double value) {
    out += '\t';
    signaldb::AppendNumberText(out, value);
}

std::string DatabaseListing(const signaldb::DbcDatabase& db) {
    std::string out;
    for (const signaldb::DbcMessage& m : db.messages) {
        signaldb::AppendIdText(out, m.id, m.extended);
        AppendField(out, m.name);
        AppendField(out, std::to_string(m.length));
        AppendField(out, m.sender);
        out += '\n';
        for (const signaldb::DbcSignal& s : m.signalList) {
            out += '\t';
            out += s.name;
            AppendField(out, std::to_string(s.startBit));
            AppendField(out, std::to_string(s.length));
            AppendField(out, s.byteOrder == signaldb::ByteOrder::kIntel ? "intel" : "motorola");
            AppendField(out, SignText(s));
            AppendNumberField(out, s.factor);
            AppendNumberField(out, s.offset);
            AppendNumberField(out, s.minimum);
            AppendNumberField(out, s.maximum);
            AppendField(out, s.unit);
            AppendField(out, signaldb::MultiplexingText(m, s));
            out += '\n';
        }
    }
    return out;
}

}  // namespace

int RunDbcCommand(const std::vector<std::string>& args, const std::filesystem::path&,
                  const CliStreams& io) {
    if (HelpAsked(args)) return PrintUsage(io, kUsage);
    bool strict = false;
    std::string path;
    for (const std::string& a : args) {
        if (a == "--strict") {
            strict = true;
        } else if (path.empty() && !a.empty() && a[0] != '-') {
            path = a;
        } else {
            return CommandUsageError(io, "dbc", kUsage, "unexpected argument '" + a + "'");
        }
    }
    if (path.empty()) return CommandUsageError(io, "dbc", kUsage, "no database given");
    signaldb::DbcDatabase db;
    if (!ReadSignalDatabase(path, io, strict, db)) return kExitFailed;
    const std::string text = DatabaseListing(db);
    if (std::fwrite(text.data(), 1, text.size(), io.out) != text.size() ||
        std::fflush(io.out) != 0) {
        io.err << "korvex-cli: cannot write the listing: " << std::strerror(errno) << '\n'
               << std::flush;
        return kExitFailed;
    }
    return kExitOk;
}

bool ReadSignalDatabase(const std::filesystem::path& path, const CliStreams& io, bool strict,
                        signaldb::DbcDatabase& db) {
    std::string error;
    std::vector<std::string> warnings;
    const bool read = signaldb::ReadDbcFile(path, db, error, strict ? nullptr : &warnings);
    for (const std::string& w : warnings) io.err << "warning: " << w << '\n';
    if (!read) io.err << error << '\n';
    io.err << std::flush;
    return read;
}

bool ReadSignalDatabases(const std::vector<std::filesystem::path>& paths, const CliStreams& io,
                         signaldb::CSignalDecoder& decoder, bool strict) {
    signaldb::CSignalDecoder::DatabaseList databases;
    for (const std::filesystem::path& path : paths) {
        auto db = std::make_shared<signaldb::DbcDatabase>();
        if (!ReadSignalDatabase(path, io, strict, *db)) return false;
        databases.push_back(std::move(db));
    }
    decoder = signaldb::CSignalDecoder(std::move(databases));
    return true;
}

}  // namespace korvex::cli
