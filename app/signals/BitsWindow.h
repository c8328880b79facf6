#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/common/BaseDlg.h"
#include "app/common/WorkerJob.h"
#include "app/signals/SampleJob.h"
#include "core/discover/MessageDiscovery.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace korvex::signaldb {

class CBitGrid;
class CSignalDatabases;
class CSignalPlot;

// "位活动": what discovery finds in the frame list's frames, one identifier at
// a time: its bits as a heat map of their flip rates with the counters,
// checksum and fields outlined, and the value of the field under the pointer
// (or the chosen one) over time. The user may move a field's ends, flip its
// byte order and its sign, then save the draft database or use it as a
// signal database of the program.
class CBitsWindow : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    struct Source {
        std::function<CCycleBuffer<_VCI_CAN_OBJ>*()> frameStore;
        std::function<std::vector<OrigTimeEntry>()> origTimeList;
    };

    CBitsWindow(CSignalDatabases& databases, Source source, QWidget* parent = nullptr);

    // Analyses the frame list's frames again, on a thread of its own with its
    // progress shown, then shows the message chosen before, if it is still
    // there. An analysis still running is cancelled first.
    void Analyse();
    bool Analysing() const { return analysis.Running(); }
    // Shows the window with the message of identifier `id` (once the frames
    // are analysed, which starts when they have not been).
    void ShowIdentifier(std::uint32_t id, bool extended);
    // Shows message `index` of Messages().
    void ChooseMessage(int index);
    // Chooses field `index` of the shown message, as a click on it does.
    void ChooseField(int index);

    const std::vector<discover::MessageDiscovery>& Messages() const { return messages; }
    int CurrentMessage() const { return current; }
    CBitGrid* Grid() const { return grid; }
    CSignalPlot* Plot() const { return plot; }
    QComboBox* MessageBox() const { return messageBox; }
    QPushButton* FlipButton() const { return flipButton; }
    QCheckBox* SignedBox() const { return signedBox; }
    QLabel* FieldText() const { return fieldText; }
    CSampleJob& Job() { return job; }

    // Writes the draft database of every message to `path`. False, with a
    // message, when it cannot be written.
    bool SaveDraft(const QString& path);
    // "保存为 DBC...": asks where, then saves.
    void OnSave();
    // "用作信号数据库": saves the draft (asking where the first time) and puts
    // the file in the program's list of signal databases, again after edits.
    void OnUse();

  protected:
    void OnRelabel() override;

  private:
    // Shows the messages an analysis found.
    void ShowMessages(std::vector<discover::MessageDiscovery> found);
    void ChooseIdentifier(std::uint32_t id, bool extended);
    void FillMessageBox();
    void ShowFieldText();
    void StartSamples();
    void OnSamples(std::shared_ptr<const CSampleJob::Output> output);
    void ShowLane(int field);
    void OnFieldEdited();
    std::vector<QString> FieldNames() const;

    CSignalDatabases& databases;
    Source source;
    std::vector<discover::MessageDiscovery> messages;
    bool analysed = false;
    // The analysis, and the identifier to show once it is done.
    CWorkerJob<std::vector<discover::MessageDiscovery>> analysis;
    std::optional<std::pair<std::uint32_t, bool>> wantedIdentifier;
    int current = -1;
    int chosenField = -1;
    CSampleJob job;
    std::vector<std::shared_ptr<const PlotSeries>> series;  // per field of the current message
    QString draftPath;
    QComboBox* messageBox;
    CBitGrid* grid;
    CSignalPlot* plot;
    QLabel* fieldText;
    QPushButton* flipButton;
    QCheckBox* signedBox;
};

}  // namespace korvex::signaldb
