#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/common/BaseDlg.h"
#include "app/signals/SampleJob.h"
#include "app/signals/SignalPlot.h"
#include "app/signals/rules/SampleCsv.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvex::signaldb {

class CSignalDatabases;

// "信号曲线": a tree of the databases' messages and signals with a filter box
// on the left; the checked signals as lanes of the plot on the right. The
// samples are computed off the window's thread, with a progress bar and a
// cancel button. Exports the view as PNG or SVG and its samples as CSV.
class CSignalPlotWindow : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    // What the window reads of the program: the frame store, the clock list
    // and a frame's time text as the list shows it; and where a chosen frame
    // goes (the frame list selects it).
    struct Source {
        std::function<CCycleBuffer<_VCI_CAN_OBJ>*()> frameStore;
        std::function<std::vector<OrigTimeEntry>()> origTimeList;
        FrameTimeTextFn timeText;
        std::function<void(int frameIndex)> selectFrame;
    };

    CSignalPlotWindow(CSignalDatabases& databases, Source source, QWidget* parent = nullptr);

    CSignalPlot* Plot() const { return plot; }
    QTreeWidget* Tree() const { return tree; }
    QLineEdit* Filter() const { return filter; }
    QProgressBar* ProgressBar() const { return progressBar; }
    QPushButton* CancelButton() const { return cancelButton; }
    CSampleJob& Job() { return job; }

    // Checks or unchecks signal `signal` of compiled message `message` in the
    // tree, as a click on its box does.
    bool SetSignalChecked(SignalRef ref, bool checked);
    // Reads the frame store again for every lane.
    void Refresh();
    // Exports to `path`: PNG or SVG by its extension, else the samples as
    // CSV. False, with a message, when the file cannot be written.
    bool ExportImage(const QString& path);
    bool ExportCsv(const QString& path);

  protected:
    void OnRelabel() override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnDatabasesChanged();
    void FillTree();
    void OnItemChanged(QTreeWidgetItem* item);
    void StartJob();
    void OnJobFinished(std::shared_ptr<const CSampleJob::Output> output);
    void ShowProgress();
    void OnExportImage();
    void OnExportCsv();
    void CannotWrite(const QString& path);

    CSignalDatabases& databases;
    Source source;
    std::shared_ptr<const CSignalDecoder> decoder;
    CSampleJob job;
    int computedFrames = -1;  // frames the lanes were computed over; -1: never
    QLineEdit* filter;
    QTreeWidget* tree;
    CSignalPlot* plot;
    QProgressBar* progressBar;
    QPushButton* cancelButton;
    QLabel* progressText;
    QTimer* progressTimer;
    bool filling = false;
};

}  // namespace korvex::signaldb
