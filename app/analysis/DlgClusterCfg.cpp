#include "app/analysis/DlgClusterCfg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/analysis/ClusterDataList.h"
#include "app/analysis/rules/ClusterColumns.h"

namespace {

// Controls of template 149.
constexpr int kIdLabel = 25002;
constexpr int kIdConditions = 2057;
constexpr int kIdColumns = 1015;
constexpr int kIdAdd = 6025;
constexpr int kIdDelete = 6027;
constexpr int kIdRun = 2047;

}  // namespace

CDlgClusterCfg::CDlgClusterCfg(ClusterFrameList frameList, CClusterDataList& resultList,
                               std::function<void()> showResultPane, QWidget* parent)
    : CBaseDlg(kTemplate, parent),
      frameList(std::move(frameList)),
      resultList(resultList),
      showResultPane(std::move(showResultPane)),
      conditionList(new QListWidget(this)),
      columnList(new QComboBox(this)),
      addButton(new QPushButton(this)),
      deleteButton(new QPushButton(this)),
      runButton(new QPushButton(this)) {
    setWindowFlags(Qt::Widget);
    auto* label = new QLabel(this);
    BindCaption(label, kIdLabel);
    BindCaption(addButton, kIdAdd);
    BindCaption(deleteButton, kIdDelete);
    BindCaption(runButton, kIdRun);
    conditionList->setObjectName(QString::number(kIdConditions));
    columnList->setObjectName(QString::number(kIdColumns));
    runButton->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(conditionList, 1, 0, 1, 2);
    layout->addWidget(columnList, 2, 0, 1, 2);
    layout->addWidget(addButton, 3, 0);
    layout->addWidget(deleteButton, 3, 1);
    layout->addWidget(runButton, 4, 0, 1, 2);
    layout->setRowStretch(1, 1);

    connect(addButton, &QPushButton::clicked, this, [this] { Add(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { Delete(); });
    connect(runButton, &QPushButton::clicked, this, [this] { Run(); });
    Relabel();
}

void CDlgClusterCfg::OnRelabel() {
    // The plug-in has renamed the frame list's columns by now.
    const int current = columnList->currentIndex();
    Start();
    if (current >= 0 && current < columnList->count()) columnList->setCurrentIndex(current);
}

void CDlgClusterCfg::showEvent(QShowEvent* event) {
    Start();
    CBaseDlg::showEvent(event);
}

QString CDlgClusterCfg::ColumnName(std::int32_t column) const {
    return column >= 0 && static_cast<std::size_t>(column) < columnNames.size()
               ? QString::fromStdString(columnNames[static_cast<std::size_t>(column)])
               : QString::number(column);
}

void CDlgClusterCfg::Start() {
    if (frameList.busy && frameList.busy()) return;
    if (frameList.captions) {
        columnNames = frameList.captions();
        columnList->clear();
        for (const std::string& name : columnNames)
            columnList->addItem(QString::fromStdString(name));
        if (columnList->count() > 0) columnList->setCurrentIndex(0);
    }
    conditionList->clear();
    for (std::int32_t column : chosenColumns) conditionList->addItem(ColumnName(column));
}

void CDlgClusterCfg::Add() {
    const int k = columnList->currentIndex();
    if (k < 0) return;
    const int at = korvex::AddClusterColumn(chosenColumns, k);
    if (at >= 0) conditionList->insertItem(at, ColumnName(k));
}

void CDlgClusterCfg::Delete() {
    const int n = conditionList->currentRow();
    if (!korvex::DeleteClusterColumn(chosenColumns, n)) return;
    delete conditionList->takeItem(n);
}

void CDlgClusterCfg::Run() {
    CCycleBuffer<_VCI_CAN_OBJ>* store = frameList.frameStore ? frameList.frameStore() : nullptr;
    if (!store) return;
    const auto contextNow = [source = frameList.cellContext] {
        return source ? source() : korvex::ExportRowContext{};
    };
    // The grouping compares the texts of this moment; what the list and its
    // export show is made when asked for, in the time mode of that moment.
    korvex::ClusterCellTextFn shownText =
        [contextNow](int column, long long row, const _VCI_CAN_OBJ& frame, std::string& text) {
            korvex::FormatCellText(row, frame, column, contextNow(), text);
        };
    resultList.Run(*store, chosenColumns, frameList.captions ? frameList.captions() : columnNames,
                   contextNow(), std::move(shownText));
    if (showResultPane) showResultPane();
}
