#include "app/signals/rules/SignalDatabaseSet.h"

#include <filesystem>

#include "core/signals/DbcReader.h"

namespace korvex::signaldb {

CSignalDatabaseSet::CSignalDatabaseSet() : decoder(std::make_shared<CSignalDecoder>()) {}

bool CSignalDatabaseSet::Add(const std::vector<std::string>& paths,
                             std::vector<DatabaseProblem>& problems,
                             std::vector<DatabaseWarnings>* warned) {
    bool added = false;
    for (const std::string& path : paths) {
        bool known = false;
        for (const Entry& e : entries) {
            std::error_code ec;
            known = known || e.path == path || std::filesystem::equivalent(e.path, path, ec);
        }
        if (known) {
            problems.push_back({DatabaseProblem::kDuplicate, path, {}});
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            problems.push_back({DatabaseProblem::kMissing, path, {}});
            continue;
        }
        auto database = std::make_shared<DbcDatabase>();
        std::string error;
        std::vector<std::string> warnings;
        if (!ReadDbcFile(path, *database, error, strict ? nullptr : &warnings)) {
            problems.push_back({DatabaseProblem::kDamaged, path, error});
            continue;
        }
        if (warned != nullptr && !warnings.empty()) warned->push_back({path, std::move(warnings)});
        entries.push_back({path, std::move(database)});
        added = true;
    }
    if (added) Rebuild();
    return added;
}

void CSignalDatabaseSet::Remove(std::size_t index) {
    if (index >= entries.size()) return;
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
    Rebuild();
}

bool CSignalDatabaseSet::Move(std::size_t index, int delta) {
    const long long to = static_cast<long long>(index) + delta;
    if (index >= entries.size() || to < 0 || to >= static_cast<long long>(entries.size()))
        return false;
    std::swap(entries[index], entries[static_cast<std::size_t>(to)]);
    Rebuild();
    return true;
}

void CSignalDatabaseSet::Restore(const std::vector<std::string>& paths,
                                 std::vector<DatabaseProblem>& problems) {
    entries.clear();
    Add(paths, problems);
    Rebuild();
}

std::vector<std::string> CSignalDatabaseSet::Paths() const {
    std::vector<std::string> paths;
    for (const Entry& e : entries) paths.push_back(e.path);
    return paths;
}

void CSignalDatabaseSet::Rebuild() {
    CSignalDecoder::DatabaseList list;
    for (const Entry& e : entries) list.push_back(e.database);
    decoder = std::make_shared<CSignalDecoder>(std::move(list));
}

}  // namespace korvex::signaldb
