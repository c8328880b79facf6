#include "app/analysis/CANFrameNameDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/services/WindowHandle.h"
#include "core/KorvexGlobal.h"

namespace korvex {

CCANFrameNameDlg::CCANFrameNameDlg(CKorvexGlobal& global, int windowIndex, QWidget* parent)
    : CBaseDlg(kTemplate, parent),
      global(global),
      windowIndex(windowIndex),
      editor(global.Block(windowIndex).alias.vecAliasName),
      list(new QListWidget(this)),
      fieldBox(new QComboBox(this)),
      valueEdit(new QLineEdit(this)),
      valueBox(new QComboBox(this)),
      nameEdit(new QLineEdit(this)) {
    auto* group = new QGroupBox(this);
    BindCaption(group, 6030);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setMinimumSize(560, 200);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(list);

    auto* row = new QHBoxLayout;
    for (const auto& [controlId, widget] :
         std::initializer_list<std::pair<int, QWidget*>>{{6031, nullptr},
                                                         {0, fieldBox},
                                                         {6032, nullptr},
                                                         {0, valueEdit},
                                                         {0, valueBox},
                                                         {6033, nullptr},
                                                         {0, nameEdit}}) {
        QWidget* w = widget;
        if (!w) {
            auto* label = new QLabel(this);
            BindCaption(label, controlId);
            w = label;
        }
        row->addWidget(w, w == valueEdit || w == valueBox || w == nameEdit ? 1 : 0);
    }
    auto* note = new QLabel(this);
    BindCaption(note, 6034);

    auto* add = new QPushButton(this);
    auto* remove = new QPushButton(this);
    auto* ok = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    BindCaption(add, 6025);
    BindCaption(remove, 6027);
    BindCaption(ok, 6057);
    BindCaption(cancel, 2);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(row);
    layout->addWidget(note);
    layout->addLayout(buttons);

    connect(fieldBox, &QComboBox::currentIndexChanged, this, [this] { ShowValueControl(); });
    connect(add, &QPushButton::clicked, this, &CCANFrameNameDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CCANFrameNameDlg::OnDelete);
    connect(ok, &QPushButton::clicked, this, &CCANFrameNameDlg::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { OnListDoubleClick(); });

    Relabel();
    FillList();
    if (list->count() > 0) {
        list->setCurrentRow(0);
        OnListDoubleClick();
    }
}

void CCANFrameNameDlg::OnRelabel() {
    FillFieldBox();
    FillList();
}

void CCANFrameNameDlg::FillFieldBox() {
    const int current = std::max(fieldBox->currentIndex(), 0);
    const QSignalBlocker block(fieldBox);
    fieldBox->clear();
    for (const AliasFieldChoice& choice : AliasFieldChoices())
        fieldBox->addItem(QString::fromStdString(XTPLoadString(choice.caption)), choice.field);
    fieldBox->setCurrentIndex(current);
    ShowValueControl();
}

int CCANFrameNameDlg::CurrentField() const {
    return fieldBox->currentData().toInt();
}

void CCANFrameNameDlg::ShowValueControl() {
    const int field = CurrentField();
    const bool combo = UsesValueCombo(field);
    if (combo) {
        const std::array<std::uint32_t, 2> words = AliasValueWords(field);
        valueBox->clear();
        for (std::uint32_t word : words)
            valueBox->addItem(QString::fromStdString(XTPLoadString(word)));
        valueBox->setCurrentIndex(0);
    }
    valueBox->setVisible(combo);
    valueEdit->setVisible(!combo);
}

void CCANFrameNameDlg::FillList() {
    const int current = list->currentRow();
    list->clear();
    for (const CAliasEditor::Line& line : editor.Lines())
        list->addItem(QString::fromStdString(line.text));
    if (current >= 0 && current < list->count()) list->setCurrentRow(current);
}

void CCANFrameNameDlg::ShowFields(const AliasFields& fields, const std::string& name) {
    const int index = fieldBox->findData(fields.field);
    if (index >= 0) fieldBox->setCurrentIndex(index);
    ShowValueControl();
    if (UsesValueCombo(fields.field)) {
        valueBox->setCurrentIndex(fields.choice);
    } else {
        valueEdit->setText(QString::fromStdString(fields.value));
    }
    nameEdit->setText(QString::fromStdString(name));
}

void CCANFrameNameDlg::OnAdd() {
    AliasFields fields;
    fields.field = CurrentField();
    fields.value = valueEdit->text().toStdString();
    fields.choice = std::max(valueBox->currentIndex(), 0);
    int line = -1;
    if (const std::uint32_t refusal = editor.Add(fields, nameEdit->text().toStdString(), line)) {
        global.ShowMessage(ToCWnd(this), XTPLoadString(refusal), name_share::kMsgWarning, 0);
        return;
    }
    FillList();
    list->clearSelection();
    list->setCurrentRow(line);
}

void CCANFrameNameDlg::OnDelete() {
    std::vector<int> selected;
    for (const QListWidgetItem* item : list->selectedItems()) selected.push_back(list->row(item));
    if (selected.empty()) return;
    const int top = editor.Delete(selected);
    FillList();
    list->clearSelection();
    if (top < 0) return;
    list->scrollToItem(list->item(top), QAbstractItemView::PositionAtTop);
    list->setCurrentRow(top);
}

void CCANFrameNameDlg::OnListDoubleClick() {
    int first = -1;
    for (const QListWidgetItem* item : list->selectedItems()) {
        const int row = list->row(item);
        if (first < 0 || row < first) first = row;
    }
    if (first < 0) return;
    const CAliasEditor::Line& line = editor.Lines()[static_cast<std::size_t>(first)];
    ShowFields(AliasFieldsFromKey(line.entry.key), line.entry.strName);
}

void CCANFrameNameDlg::OnOk() {
    global.Block(windowIndex).alias.vecAliasName = editor.Entries();
    accept();
}

void CCANFrameNameDlg::done(int result) {
    global.Block(windowIndex).alias.dlgpos = PackDialogPosition(pos().x(), pos().y());
    CBaseDlg::done(result);
}

void CCANFrameNameDlg::showEvent(QShowEvent* event) {
    CBaseDlg::showEvent(event);
    if (placed) return;
    placed = true;
    int left = 0;
    int top = 0;
    if (UnpackDialogPosition(global.Block(windowIndex).alias.dlgpos, left, top)) move(left, top);
}

}  // namespace korvex
