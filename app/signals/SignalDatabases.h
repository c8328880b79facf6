#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/signals/rules/SignalDatabaseSet.h"

class QWidget;

namespace korvex::signaldb {

// The program's signal databases: the list in priority order, kept across
// runs in the program's settings (QSettings "SignalDatabases/Files"), and
// the decoder the signal pane and the plot share. `changed` follows every
// change of the list.
class CSignalDatabases : public QObject {
    Q_OBJECT

  public:
    static constexpr char kSettingsKey[] = "SignalDatabases/Files";
    static constexpr char kStrictKey[] = "SignalDatabases/Strict";

    explicit CSignalDatabases(QObject* parent = nullptr);

    // Reads the list kept from the last run. A file that is gone or can no
    // longer be read is dropped from the list and reported once, in one
    // message over `owner` as soon as the event loop runs.
    void Restore(QWidget* owner);

    // Adds files; each refused one (damaged, with its line; already listed;
    // missing) is reported over `owner`. Returns those added with warnings.
    std::vector<DatabaseWarnings> Add(const QStringList& paths, QWidget* owner);
    // Strict reading refuses a file with a statement it cannot read; kept in
    // the settings (kStrictKey).
    void SetStrict(bool strict);
    void Remove(int index);
    bool Move(int index, int delta);

    const CSignalDatabaseSet& Set() const { return set; }
    std::shared_ptr<const CSignalDecoder> Decoder() const { return set.Decoder(); }

  signals:
    void changed();

  private:
    void Report(const std::vector<DatabaseProblem>& problems, QWidget* owner);
    // Writes the list merged with the one the settings hold now: what another
    // program added or removed meanwhile stays, our own changes win.
    void Save();

    CSignalDatabaseSet set;
    // The list as this program last read or wrote it.
    std::vector<std::string> pathsAsStored;
};

// The text that tells the user about a refused or dropped database.
QString ProblemText(const DatabaseProblem& problem);

}  // namespace korvex::signaldb
