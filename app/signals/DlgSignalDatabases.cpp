#include "app/signals/DlgSignalDatabases.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "app/services/WindowHandle.h"
#include "app/signals/DlgDbcWarnings.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/rules/SignalIds.h"
#include "xtp/XTPUiServices.h"

namespace korvex::signaldb {

CDlgSignalDatabases::CDlgSignalDatabases(CSignalDatabases& databases, QWidget* parent)
    : CBaseDlg(ids::kDatabasesDialog, parent),
      databases(databases),
      list(new QListWidget(this)),
      removeButton(new QPushButton(this)),
      upButton(new QPushButton(this)),
      downButton(new QPushButton(this)),
      strictBox(new QCheckBox(this)) {
    list->setObjectName(QString::number(ids::kDbList));
    auto* addButton = new QPushButton(this);
    auto* closeButton = new QPushButton(this);
    auto* hint = new QLabel(this);
    hint->setWordWrap(true);
    BindCaption(addButton, ids::kDbAdd);
    BindCaption(removeButton, ids::kDbRemove);
    BindCaption(upButton, ids::kDbUp);
    BindCaption(downButton, ids::kDbDown);
    BindCaption(closeButton, ids::kDbClose);
    BindCaption(hint, ids::kDbHint);
    BindCaption(strictBox, ids::kDbStrict);
    strictBox->setChecked(databases.Set().Strict());
    removeButton->setShortcut(QKeySequence::Delete);
    closeButton->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(list, 0, 0, 5, 1);
    grid->addWidget(strictBox, 5, 0);
    grid->addWidget(addButton, 0, 1);
    grid->addWidget(removeButton, 1, 1);
    grid->addWidget(upButton, 2, 1);
    grid->addWidget(downButton, 3, 1);
    grid->setRowStretch(4, 1);
    grid->addWidget(hint, 6, 0);
    grid->addWidget(closeButton, 6, 1);
    grid->setColumnStretch(0, 1);

    connect(addButton, &QPushButton::clicked, this, &CDlgSignalDatabases::OnAdd);
    connect(removeButton, &QPushButton::clicked, this, &CDlgSignalDatabases::OnRemove);
    connect(upButton, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(downButton, &QPushButton::clicked, this, [this] { OnMove(1); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(strictBox, &QCheckBox::toggled, this,
            [this](bool on) { this->databases.SetStrict(on); });
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        removeButton->setEnabled(row >= 0);
        upButton->setEnabled(row > 0);
        downButton->setEnabled(row >= 0 && row + 1 < this->list->count());
    });
    resize(640, 320);
    Relabel();
    ShowList(0);
}

void CDlgSignalDatabases::ShowList(int current) {
    list->clear();
    for (const auto& entry : databases.Set().Entries()) {
        const QString path = QString::fromStdString(entry.path);
        auto* item = new QListWidgetItem(QDir::toNativeSeparators(path), list);
        item->setToolTip(path);
    }
    list->setCurrentRow(std::min(current, list->count() - 1));
    removeButton->setEnabled(list->currentRow() >= 0);
    upButton->setEnabled(list->currentRow() > 0);
    downButton->setEnabled(list->currentRow() >= 0 && list->currentRow() + 1 < list->count());
}

void CDlgSignalDatabases::OnAdd() {
    XTPFileDialogRequest request;
    request.defaultExt = "dbc";
    request.flags = xtp_ofn::kHideReadOnly;
    request.filter = XTPLoadString(ids::kStrDbcFilter);
    std::string path;
    if (!XTPUiServices().OpenFileDialog(ToCWnd(this), request, path)) return;
    std::vector<DatabaseWarnings> warned = databases.Add({QString::fromStdString(path)}, this);
    ShowList(list->count());
    for (DatabaseWarnings& w : warned) {
        auto* dialog = new CDlgDbcWarnings(std::move(w), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    }
}

void CDlgSignalDatabases::OnRemove() {
    const int row = list->currentRow();
    if (row < 0) return;
    databases.Remove(row);
    ShowList(row);
}

void CDlgSignalDatabases::OnMove(int delta) {
    const int row = list->currentRow();
    if (databases.Move(row, delta)) ShowList(row + delta);
}

}  // namespace korvex::signaldb
