#pragma once

#include "app/common/BaseDlg.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace korvex::signaldb {

class CSignalDatabases;

// "信号数据库...": the list of signal databases in priority order, with
// buttons to add a file, remove one and move one up or down.
class CDlgSignalDatabases : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    CDlgSignalDatabases(CSignalDatabases& databases, QWidget* parent = nullptr);

    QListWidget* List() const { return list; }
    QCheckBox* StrictBox() const { return strictBox; }
    // Asks for a file (the file dialog of the user-interface services) and
    // adds it; statements it skipped are listed in a CDlgDbcWarnings.
    void OnAdd();
    void OnRemove();
    void OnMove(int delta);

  private:
    void ShowList(int current);

    CSignalDatabases& databases;
    QListWidget* list;
    QPushButton* removeButton;
    QPushButton* upButton;
    QPushButton* downButton;
    QCheckBox* strictBox;
};

}  // namespace korvex::signaldb
