#pragma once

#include <array>
#include <functional>
#include <memory>

#include "app/analysis/rules/SearchChecks.h"
#include "app/analysis/rules/SearchHistory.h"
#include "app/common/BaseDlg.h"
#include "core/signals/SignalDecoder.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class CKorvexGlobal;
class CKorvexList;

namespace korvex {

class CSearchListCtrl;

// The search pane (template 133): a column of the frame list, or a signal of
// the signal databases, five conditions with their histories, the search into
// the result list and the jump to a line. It lives in a docking pane and never closes; Enter and
// Escape only store its settings.
class CDlgFrameHandle final : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kTemplate = 133;

    // `showResults` brings the result list's pane up.
    CDlgFrameHandle(CKorvexGlobal& global, CKorvexList& frameList, CSearchListCtrl& results,
                    std::function<void()> showResults, QWidget* parent = nullptr);

    // The search button: reads the fields, searches, shows the hits.
    void OnSearch();
    // The jump button: selects the line of the spin box in the frame list.
    void OnJump();
    // Writes the histories, the line, the column and the signal to the settings.
    void StoreSettings() const;
    // The databases' decoder, whose signals the signal box offers.
    void SetDecoder(std::shared_ptr<const signaldb::CSignalDecoder> decoder);

    QComboBox* ColumnBox() const { return columnBox; }
    // "MESSAGE.SIGNAL"; empty: the column is searched.
    QComboBox* SignalBox() const { return signalBox; }
    QComboBox* ConditionBox(SearchCondition c) const { return boxes[c]; }
    QCheckBox* ConditionCheck(SearchCondition c) const { return checks[c]; }
    QCheckBox* RefreshCheck() const { return refreshCheck; }
    QSpinBox* LineBox() const { return lineBox; }
    QPushButton* SearchButton() const { return searchButton; }
    QPushButton* JumpButton() const { return jumpButton; }

    void accept() override;
    void reject() override;

  protected:
    // Enter stores the settings as Escape does: with no default button the
    // dialog would ignore it.
    void keyPressEvent(QKeyEvent* event) override;
    void OnRelabel() override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void LoadSettings();
    void FillColumns();
    void FillSignals();
    std::string SignalName() const;
    // The column rule and the greater and less captions for the column or
    // the signal searched.
    void ApplySearchedField();
    void ShowGreaterLessCaptions();
    // Shows the ticks and enabled states of `state`.
    void ShowChecks();
    void RecordHistory(SearchCondition c);
    void ShowMessage(QWidget* owner, std::uint32_t text, int kind);

    CKorvexGlobal& global;
    CKorvexList& frameList;
    CSearchListCtrl& results;
    std::function<void()> showResults;

    QComboBox* columnBox;
    QLabel* signalLabel = nullptr;
    QComboBox* signalBox = nullptr;
    std::shared_ptr<const signaldb::CSignalDecoder> decoder;
    bool searchingSignal = false;
    std::array<QComboBox*, kConditionCount> boxes{};
    std::array<QCheckBox*, kConditionCount> checks{};
    QCheckBox* refreshCheck;
    QSpinBox* lineBox;
    QPushButton* searchButton;
    QPushButton* jumpButton;

    CSearchChecks state;
    std::array<CSearchHistory, kConditionCount> histories;
    int lineNumber = 0;
};

}  // namespace korvex
