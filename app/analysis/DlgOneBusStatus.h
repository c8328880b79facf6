#pragma once

#include <functional>

#include "app/analysis/rules/BusStatus.h"
#include "app/common/BaseDlg.h"

class CHisCurve;
class CKorvexGlobal;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

// The bus status window: the frames of the active frame list distributed into
// the recording spans of the clock reference list, and for the selected span
// and sub-interval the flow and load curves with their averages.
class CDlgOneBusStatus : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kTemplate = 1054;
    static constexpr std::uint32_t kCommand = 32854;

    // `frameStore` gives the active frame list's store (null: none).
    using FrameStoreFn = std::function<CCycleBuffer<_VCI_CAN_OBJ>*()>;

    CDlgOneBusStatus(CKorvexGlobal& global, FrameStoreFn frameStore, QWidget* parent = nullptr);

    // The command "总线状态": shows the window in front and opens it over the
    // data of this moment, also when it is already shown. Any other showing
    // (a restore from minimised) keeps what the user set.
    void OpenFromCommand();
    // Distributes the frames again and selects the first span, as on opening.
    void Open();
    void SelectSpan(int k);
    void Update();
    void OnFineAdjust();

    QComboBox* SpanList() const { return spanList; }
    QLineEdit* StartEdit() const { return startEdit; }
    QLineEdit* EndEdit() const { return endEdit; }
    QLineEdit* PrecisionEdit() const { return precisionEdit; }
    QCheckBox* FineAdjust() const { return fineAdjust; }
    QPushButton* UpdateButton() const { return updateButton; }
    QLabel* AverageFlowText() const { return averageFlow; }
    QLabel* AverageLoadText() const { return averageLoad; }
    QProgressBar* LoadBar() const { return loadBar; }
    QTabWidget* Pages() const { return pages; }
    CHisCurve* FlowCurve() const { return flowCurve; }
    CHisCurve* LoadCurve() const { return loadCurve; }

  protected:
    void OnRelabel() override;

  private:
    void Compute();
    void ShowMessage(std::uint32_t message);
    int CurrentSpan() const;

    CKorvexGlobal& global;
    FrameStoreFn frameStore;
    korvex::CBusSpans spans;

    QProgressBar* loadBar;
    QTabWidget* pages;
    QLineEdit* precisionEdit;
    CHisCurve* loadCurve;
    CHisCurve* flowCurve;
    QComboBox* spanList;
    QLineEdit* startEdit;
    QLineEdit* endEdit;
    QCheckBox* fineAdjust;
    QPushButton* updateButton;
    QLabel* averageFlow;
    QLabel* averageLoad;
};
