#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/common/BaseDlg.h"
#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

class CClusterDataList;
class QComboBox;
class QListWidget;
class QPushButton;

// What the classification needs of the active frame list.
struct ClusterFrameList {
    std::function<bool()> busy;
    std::function<std::vector<std::string>()> captions;  // in column order
    std::function<CCycleBuffer<_VCI_CAN_OBJ>*()> frameStore;
    std::function<korvex::ExportRowContext()> cellContext;
};

// The classification settings (pane 3074): the chosen columns, kept
// ascending without duplicates, and the run that fills the result list.
class CDlgClusterCfg : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kTemplate = 149;

    CDlgClusterCfg(ClusterFrameList frameList, CClusterDataList& resultList,
                   std::function<void()> showResultPane, QWidget* parent = nullptr);

    // Fills the column lists from the frame list unless it is busy.
    void Start();
    void Add();
    void Delete();
    void Run();

    const std::vector<std::int32_t>& ChosenColumns() const { return chosenColumns; }
    QComboBox* ColumnList() const { return columnList; }
    QListWidget* ConditionList() const { return conditionList; }
    QPushButton* AddButton() const { return addButton; }
    QPushButton* DeleteButton() const { return deleteButton; }
    QPushButton* RunButton() const { return runButton; }

  protected:
    void showEvent(QShowEvent* event) override;
    // A new language: the column lists show the frame list's new captions.
    void OnRelabel() override;

  private:
    QString ColumnName(std::int32_t column) const;

    ClusterFrameList frameList;
    CClusterDataList& resultList;
    std::function<void()> showResultPane;
    std::vector<std::string> columnNames;
    std::vector<std::int32_t> chosenColumns;
    QListWidget* conditionList;
    QComboBox* columnList;
    QPushButton* addButton;
    QPushButton* deleteButton;
    QPushButton* runButton;
};
