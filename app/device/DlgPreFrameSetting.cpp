#include "app/device/DlgPreFrameSetting.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvex::device {
namespace {

enum Control { kList = 1003, kWrite = 1005, kRead = 1006 };

constexpr int kColumnWidths[kPresetColumns] = {56, 100, 70, 70, 68, 180};

}  // namespace

QWidget* CPresetCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const {
    const std::size_t column = static_cast<std::size_t>(index.column());
    QWidget* editor = nullptr;
    const std::vector<std::string> choices = PresetChoices(column);
    if (!choices.empty()) {
        auto* combo = new QComboBox(parent);
        for (const std::string& choice : choices) combo->addItem(ToQString(choice));
        editor = combo;
    } else if (column == kPresetId || column == kPresetData) {
        auto* edit = new QLineEdit(parent);
        edit->setText(ToQString(PresetEditorText(column)));
        editor = edit;
    }
    openEditor = editor;
    return editor;
}

void CPresetCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int at = combo->findText(text);
        if (at >= 0) combo->setCurrentIndex(at);
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(text);
    }
}

void CPresetCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        model->setData(index, combo->currentText());
    else if (auto* edit = qobject_cast<QLineEdit*>(editor))
        model->setData(index, edit->text());
}

void CPresetCellDelegate::CommitOpenEditor() {
    if (!openEditor) return;
    QWidget* editor = openEditor;
    openEditor = nullptr;
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

CDlgPreFrameSetting::CDlgPreFrameSetting(::CANSetting& setting, DeviceWait deviceWait,
                                         QWidget* parent)
    : CBaseDlg(138, parent),
      setting(setting),
      deviceWait(std::move(deviceWait)),
      rules(setting),
      list(new QTableWidget(static_cast<int>(LGP_PRESET_FRAMES), static_cast<int>(kPresetColumns),
                            this)),
      delegate(new CPresetCellDelegate(list)) {
    list->setObjectName("presets");
    list->setItemDelegate(delegate);
    list->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::DoubleClicked);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(24);
    for (std::size_t c = 0; c < kPresetColumns; ++c)
        list->setColumnWidth(static_cast<int>(c), kColumnWidths[c] * 5 / 4);
    list->horizontalHeader()->setStretchLastSection(true);
    list->setMinimumSize(700, 6 * 24 + 32);

    auto* write = new QPushButton(this);
    auto* read = new QPushButton(this);
    write->setObjectName("write");
    read->setObjectName("read");
    BindCaption(write, kWrite);
    BindCaption(read, kRead);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(read);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list, 1);
    layout->addLayout(buttons);

    connect(write, &QPushButton::clicked, this, &CDlgPreFrameSetting::OnWrite);
    connect(read, &QPushButton::clicked, this, &CDlgPreFrameSetting::OnRead);
    Relabel();
    rules.Show();
    ShowRows();
}

CDlgPreFrameSetting::~CDlgPreFrameSetting() {
    rules.StoreInto(setting);
}

void CDlgPreFrameSetting::OnRelabel() {
    QStringList headers;
    for (const std::string& caption : PresetCaptions()) headers << ToQString(caption);
    list->setHorizontalHeaderLabels(headers);
}

void CDlgPreFrameSetting::ShowRows() {
    for (std::size_t r = 0; r < rules.rows.size(); ++r) {
        for (std::size_t c = 0; c < kPresetColumns; ++c) {
            auto* item = new QTableWidgetItem(ToQString(rules.rows[r][c]));
            item->setTextAlignment(c == kPresetData ? Qt::AlignLeft | Qt::AlignVCenter
                                                    : Qt::AlignCenter);
            if (c == kPresetNumber) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            list->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
}

void CDlgPreFrameSetting::TakeRows() {
    delegate->CommitOpenEditor();
    for (std::size_t r = 0; r < rules.rows.size(); ++r)
        for (std::size_t c = 0; c < kPresetColumns; ++c)
            if (const QTableWidgetItem* item = list->item(static_cast<int>(r), static_cast<int>(c)))
                rules.rows[r][c] = item->text().toStdString();
}

void CDlgPreFrameSetting::OnWrite() {
    TakeRows();
    DeviceMessage outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) return;
        outcome = rules.Write();
    }
    ShowRows();
    ShowDeviceMessage(this, outcome);
}

void CDlgPreFrameSetting::OnRead() {
    TakeRows();
    DeviceMessage outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) return;
        outcome = rules.Read();
    }
    ShowRows();
    ShowDeviceMessage(this, outcome);
}

}  // namespace korvex::device
