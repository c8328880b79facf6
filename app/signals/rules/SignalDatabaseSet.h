#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// Why a database did not make it into the list.
struct DatabaseProblem {
    enum Kind { kMissing, kDamaged, kDuplicate };
    Kind kind = kDamaged;
    std::string path;
    std::string detail;  // kDamaged: "FILE:LINE: reason"
};

// A database that was added with statements it could not read.
struct DatabaseWarnings {
    std::string path;
    std::vector<std::string> warnings;  // "FILE:LINE: reason"
};

// The signal databases the program decodes with, in priority order: for a
// frame, the first database that has its message wins. Each change builds a
// new decoder; holders of the old one keep it as long as they need it.
class CSignalDatabaseSet {
  public:
    struct Entry {
        std::string path;
        std::shared_ptr<const DbcDatabase> database;
    };

    CSignalDatabaseSet();

    // Reads each file and appends it. A file already in the list or one that
    // is refused (strict: at its first warning) is left out with its problem;
    // one added with warnings is listed in `warned`. True when anything was
    // added.
    bool Add(const std::vector<std::string>& paths, std::vector<DatabaseProblem>& problems,
             std::vector<DatabaseWarnings>* warned = nullptr);
    void Remove(std::size_t index);
    // Moves entry `index` one place up (delta -1) or down (+1); false at an end.
    bool Move(std::size_t index, int delta);
    // The list kept from the last run: files that are gone or no longer read
    // are dropped, each reported once in `problems`.
    void Restore(const std::vector<std::string>& paths, std::vector<DatabaseProblem>& problems);

    // Strict: a database with a statement that cannot be read is refused
    // rather than added without it. Lenient by default.
    void SetStrict(bool on) { strict = on; }
    bool Strict() const { return strict; }

    const std::vector<Entry>& Entries() const { return entries; }
    std::vector<std::string> Paths() const;
    std::shared_ptr<const CSignalDecoder> Decoder() const { return decoder; }

  private:
    void Rebuild();

    std::vector<Entry> entries;
    std::shared_ptr<const CSignalDecoder> decoder;
    bool strict = false;
};

}  // namespace korvex::signaldb
