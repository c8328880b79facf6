#pragma once

#include <string>

#include "app/common/BaseDlg.h"
#include "app/signals/rules/SignalDatabaseSet.h"

class QLabel;
class QPlainTextEdit;

namespace korvex::signaldb {

// The statements of a database that were skipped when it was added, one per
// line as "FILE:LINE: reason", for the user to read and copy.
class CDlgDbcWarnings : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    CDlgDbcWarnings(DatabaseWarnings warned, QWidget* parent = nullptr);

    QPlainTextEdit* List() const { return list; }
    // Puts the whole list on the clipboard.
    void OnCopy();

  protected:
    void OnRelabel() override;

  private:
    DatabaseWarnings warned;
    QLabel* head;
    QPlainTextEdit* list;
};

}  // namespace korvex::signaldb
