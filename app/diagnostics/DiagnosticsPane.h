#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <memory>
#include <optional>

#include "app/common/BaseDlg.h"
#include "app/common/WorkerJob.h"
#include "app/diagnostics/rules/DiagnosticsRows.h"
#include "core/FileWriteProblem.h"
#include "core/frame/CycleBuffer.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace korvex::diagnostics {

class CDiagnosticsTimeline;

// The Messages tab's rows: the messages the filter lets through, their cells
// made when shown.
class CMessageModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetRows(const CDiagnosticsRows* rows, std::vector<std::size_t> shown,
                 CDiagnosticsRows::TimeTextFn timeText, transport::SpnNameFn spnName,
                 QStringList captions);
    std::size_t MessageAt(int row) const { return shown[static_cast<std::size_t>(row)]; }
    int RowOf(std::size_t message) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const CDiagnosticsRows* rows = nullptr;
    std::vector<std::size_t> shown;
    CDiagnosticsRows::TimeTextFn timeText;
    transport::SpnNameFn spnName;
    QStringList captions;
};

// The "诊断" pane: the transport messages of the frame list (Messages) and
// the DM1 fault codes over time (Fault codes), read on a thread of their own.
class CDiagnosticsPane : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    struct Source {
        std::function<CCycleBuffer<_VCI_CAN_OBJ>*()> frameStore;
        std::function<std::string(std::int64_t index, const _VCI_CAN_OBJ& frame)> timeText;
        // Selects these frames of the frame list, the first made current.
        std::function<void(const std::vector<std::int64_t>& frames)> selectFrames;
        // The names of SPNs from the loaded signal databases; none: numbers only.
        transport::SpnNameFn spnName;
    };

    CDiagnosticsPane(Source source, QWidget* parent = nullptr);

    // Reads the frame list's frames again, with the pairs of the ISO-TP field.
    void Read();
    bool Reading() const { return reading.Running(); }
    // The frame list's current frame: its message, if any, is made current.
    void ShowFrame(std::int64_t index);
    // The SPN names changed (another signal database): the meanings are
    // shown and filtered again.
    void NamesChanged();

    bool ExportMessages(const QString& path);
    bool ExportFaults(const QString& path);

    const CDiagnosticsRows& Rows() const { return *rows; }
    QTableView* MessageTable() const { return messageTable; }
    QTableWidget* FaultTable() const { return faultTable; }
    CDiagnosticsTimeline* Timeline() const { return timeline; }
    QComboBox* ProtocolBox() const { return protocolBox; }
    QLineEdit* AddressEdit() const { return addressEdit; }
    QLineEdit* TextEdit() const { return textEdit; }
    QLineEdit* PairsEdit() const { return pairsEdit; }
    QTabWidget* Tabs() const { return tabs; }
    QLabel* Status() const { return status; }

  signals:
    void readFinished();

  protected:
    void OnRelabel() override;

  private:
    // What a reading found, and the frames it read.
    struct ReadResult {
        std::shared_ptr<const CDiagnosticsRows> rows;
        FrameView frames;
    };

    void ShowReading(ReadResult result);
    void ApplyFilter();
    void FillFaults();
    void ShowSummary();
    std::string TimeText(std::int64_t index) const;
    void SelectMessage(std::size_t message);
    bool Export(const QString& path, bool faults);
    void CannotWrite(const QString& path, const FileWriteProblem& problem);

    Source source;
    std::shared_ptr<const CDiagnosticsRows> rows;
    // The filter of the rows shown and the messages it let through, while
    // they still hold for `rows` and the language.
    std::optional<MessageFilter> shownFilter;
    std::vector<std::size_t> shownMessages;
    FrameView frames;
    CWorkerJob<ReadResult> reading;

    QTabWidget* tabs;
    QComboBox* protocolBox;
    QLineEdit* addressEdit;
    QLineEdit* textEdit;
    QLineEdit* pairsEdit;
    QPushButton* readButton;
    QPushButton* exportMessages;
    QPushButton* exportFaults;
    QLabel* status;
    QLabel* selected;
    QTableView* messageTable;
    CMessageModel* messageModel;
    QTableWidget* faultTable;
    CDiagnosticsTimeline* timeline;
    QLabel* cursor;
};

}  // namespace korvex::diagnostics
