#include "app/signals/SignalDatabases.h"

#include <QPointer>
#include <QSettings>

#include "app/common/rules/NumberedFormat.h"
#include "app/services/WindowHandle.h"
#include "app/signals/rules/SignalIds.h"
#include "core/SettingsMerge.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::signaldb {
namespace {

constexpr std::uint32_t kStrAppTitle = 128;

QString Formatted(std::uint32_t stringId, const std::string& argument) {
    return QString::fromStdString(FormatString(stringId, argument.c_str()));
}

}  // namespace

QString ProblemText(const DatabaseProblem& problem) {
    switch (problem.kind) {
        case DatabaseProblem::kMissing:
            return Formatted(ids::kStrMissing, problem.path);
        case DatabaseProblem::kDuplicate:
            return Formatted(ids::kStrDuplicate, problem.path);
        case DatabaseProblem::kDamaged:
            break;
    }
    return Formatted(ids::kStrDamaged, problem.detail);
}

CSignalDatabases::CSignalDatabases(QObject* parent) : QObject(parent) {
    set.SetStrict(QSettings().value(kStrictKey, false).toBool());
}

void CSignalDatabases::Restore(QWidget* owner) {
    std::vector<std::string> paths;
    for (const QString& path : QSettings().value(kSettingsKey).toStringList())
        paths.push_back(path.toStdString());
    pathsAsStored = paths;
    std::vector<DatabaseProblem> problems;
    set.Restore(paths, problems);
    if (!problems.empty()) Save();
    emit changed();
    // At start-up the main window is not shown yet; the message waits for
    // the event loop, so that it comes over the window.
    if (problems.empty()) return;
    QPointer<QWidget> window(owner);
    QMetaObject::invokeMethod(
        this,
        [this, problems, window, hadOwner = owner != nullptr] {
            if (hadOwner && window.isNull()) return;
            Report(problems, window);
        },
        Qt::QueuedConnection);
}

std::vector<DatabaseWarnings> CSignalDatabases::Add(const QStringList& paths, QWidget* owner) {
    std::vector<std::string> list;
    for (const QString& path : paths) list.push_back(path.toStdString());
    std::vector<DatabaseProblem> problems;
    std::vector<DatabaseWarnings> warned;
    const bool added = set.Add(list, problems, &warned);
    if (added) {
        Save();
        emit changed();
    }
    Report(problems, owner);
    return warned;
}

void CSignalDatabases::SetStrict(bool strict) {
    set.SetStrict(strict);
    QSettings().setValue(kStrictKey, strict);
}

void CSignalDatabases::Remove(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= set.Entries().size()) return;
    set.Remove(static_cast<std::size_t>(index));
    Save();
    emit changed();
}

bool CSignalDatabases::Move(int index, int delta) {
    if (index < 0 || !set.Move(static_cast<std::size_t>(index), delta)) return false;
    Save();
    emit changed();
    return true;
}

void CSignalDatabases::Report(const std::vector<DatabaseProblem>& problems, QWidget* owner) {
    if (problems.empty()) return;
    QStringList texts;
    for (const DatabaseProblem& p : problems) texts << ProblemText(p);
    XTPUiServices().MessageBox(ToCWnd(owner), texts.join(QStringLiteral("\n\n")).toStdString(),
                               XTPLoadString(kStrAppTitle), xtp_mb::kOk | xtp_mb::kIconWarning);
}

void CSignalDatabases::Save() {
    QSettings settings;
    settings.sync();
    std::vector<std::string> theirs;
    for (const QString& path : settings.value(kSettingsKey).toStringList())
        theirs.push_back(path.toStdString());
    const std::vector<std::string> ours = set.Paths();
    QStringList paths;
    for (const std::string& path : MergeChangedList(pathsAsStored, ours, theirs))
        paths << QString::fromStdString(path);
    settings.setValue(kSettingsKey, paths);
    pathsAsStored = ours;
}

}  // namespace korvex::signaldb
