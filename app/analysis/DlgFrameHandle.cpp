#include "app/analysis/DlgFrameHandle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "app/analysis/FrameListColumns.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/analysis/rules/FrameSearch.h"
#include "app/common/rules/HexText.h"
#include "app/framelist/KorvexList.h"
#include "app/services/WindowHandle.h"
#include "app/signals/rules/SignalIds.h"
#include "app/signals/rules/SignalSelection.h"
#include "core/KorvexGlobal.h"

namespace korvex {
namespace {

// Control ids of template 133: each condition's check box, whose caption
// names the condition.
constexpr int kCheckIds[kConditionCount] = {2034, 2035, 2038, 2036, 2037};
// The pane's rows, top to bottom, as the labels read.
constexpr SearchCondition kRowOrder[kConditionCount] = {kContains, kEqual, kGreater, kLess,
                                                        kNotEqual};
// The settings key of the signal searched, beside the column's.
constexpr char kSearchSignalKey[] = "Signal";
// The grid rows: the column, the conditions, the search, the line, and last
// the signal, which most searches leave empty for the column.
constexpr int kFirstConditionRow = 1;
constexpr int kSearchRow = kFirstConditionRow + kConditionCount;
constexpr int kLineRow = kSearchRow + 1;
constexpr int kSignalRow = kLineRow + 1;

QString Key(const std::string& key) {
    return QString::fromLatin1(kSearchSection) + '/' + QString::fromStdString(key);
}

// Restores the cursor however the search ends.
class CWaitCursor {
  public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace

CDlgFrameHandle::CDlgFrameHandle(CKorvexGlobal& global, CKorvexList& frameList,
                                 CSearchListCtrl& results, std::function<void()> showResults,
                                 QWidget* parent)
    : CBaseDlg(kTemplate, parent),
      global(global),
      frameList(frameList),
      results(results),
      showResults(std::move(showResults)),
      columnBox(new QComboBox(this)),
      refreshCheck(new QCheckBox(this)),
      lineBox(new QSpinBox(this)),
      searchButton(new QPushButton(this)),
      jumpButton(new QPushButton(this)) {
    setWindowFlags(Qt::Widget);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    auto* columnLabel = new QLabel(this);
    BindCaption(columnLabel, 2040);
    grid->addWidget(columnLabel, 0, 0);
    grid->addWidget(columnBox, 0, 1, 1, 2);
    for (int row = 0; row < kConditionCount; ++row) {
        const SearchCondition c = kRowOrder[row];
        checks[c] = new QCheckBox(this);
        BindCaption(checks[c], kCheckIds[c]);
        boxes[c] = new QComboBox(this);
        boxes[c]->setEditable(true);
        boxes[c]->setInsertPolicy(QComboBox::NoInsert);
        grid->addWidget(checks[c], kFirstConditionRow + row, 0);
        grid->addWidget(boxes[c], kFirstConditionRow + row, 1, 1, 2);
        connect(checks[c], &QCheckBox::clicked, this, [this, c](bool on) {
            state.SetTicked(c, on);
            ShowChecks();
        });
    }
    BindCaption(refreshCheck, 2032);
    BindCaption(searchButton, 2031);
    grid->addWidget(refreshCheck, kSearchRow, 0, 1, 2);
    grid->addWidget(searchButton, kSearchRow, 2);
    auto* lineLabel = new QLabel(this);
    BindCaption(lineLabel, 2041);
    lineBox->setRange(0, 0x7FFFFFFF);
    BindCaption(jumpButton, 2026);
    grid->addWidget(lineLabel, kLineRow, 0);
    grid->addWidget(lineBox, kLineRow, 1);
    grid->addWidget(jumpButton, kLineRow, 2);
    signalLabel = new QLabel(this);
    signalBox = new QComboBox(this);
    signalBox->setEditable(true);
    signalBox->setInsertPolicy(QComboBox::NoInsert);
    signalBox->completer()->setCompletionMode(QCompleter::PopupCompletion);
    signalBox->completer()->setFilterMode(Qt::MatchContains);
    signalBox->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    grid->addWidget(signalLabel, kSignalRow, 0);
    grid->addWidget(signalBox, kSignalRow, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(kSignalRow + 1, 1);
    // Enter only stores the settings, so no button may be the default one.
    for (QPushButton* b : {searchButton, jumpButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(searchButton, &QPushButton::clicked, this, &CDlgFrameHandle::OnSearch);
    connect(jumpButton, &QPushButton::clicked, this, &CDlgFrameHandle::OnJump);
    connect(columnBox, &QComboBox::currentIndexChanged, this, [this] { ApplySearchedField(); });
    // The rules change only when the search turns from the column to a
    // signal or back, not with every key typed.
    connect(signalBox, &QComboBox::editTextChanged, this, [this] {
        if (SignalName().empty() == searchingSignal) ApplySearchedField();
    });
    Relabel();
    LoadSettings();
}

void CDlgFrameHandle::LoadSettings() {
    QSettings settings;
    lineNumber = settings.value(Key(kSearchLinesKey), 0).toInt();
    lineBox->setValue(lineNumber);
    {
        const QSignalBlocker block(columnBox);
        FillColumns();
        columnBox->setCurrentIndex(settings.value(Key(kSearchTypeKey), 0).toInt());
    }
    for (int c = 0; c < kConditionCount; ++c) {
        const auto condition = static_cast<SearchCondition>(c);
        histories[c].Load([&](int i) {
            return settings.value(Key(SearchHistoryKey(condition, i))).toString().toStdString();
        });
        for (const std::string& entry : histories[c].Entries())
            boxes[c]->addItem(QString::fromStdString(entry));
        if (boxes[c]->count() > 0) boxes[c]->setCurrentIndex(0);
    }
    {
        const QSignalBlocker block(signalBox);
        signalBox->setEditText(settings.value(Key(kSearchSignalKey)).toString());
    }
    state.Initialise(columnBox->currentIndex());
    if (SignalName().empty())
        ShowChecks();
    else
        ApplySearchedField();
}

void CDlgFrameHandle::FillColumns() {
    // A busy list keeps the entries the box has.
    if (frameList.IsBusy() != 0) return;
    const int current = columnBox->currentIndex();
    columnBox->clear();
    for (const FrameListColumn& c : FrameListColumns(frameList))
        columnBox->addItem(QString::fromStdString(c.caption), c.itemIndex);
    if (current >= 0 && current < columnBox->count()) columnBox->setCurrentIndex(current);
}

void CDlgFrameHandle::FillSignals() {
    const QSignalBlocker block(signalBox);
    const QString current = signalBox->currentText();
    signalBox->clear();
    signalBox->addItem(QString());
    if (decoder)
        for (const std::string& name : signaldb::SignalNames(*decoder))
            signalBox->addItem(QString::fromStdString(name));
    signalBox->setEditText(current);
}

void CDlgFrameHandle::SetDecoder(std::shared_ptr<const signaldb::CSignalDecoder> fresh) {
    decoder = std::move(fresh);
    FillSignals();
}

std::string CDlgFrameHandle::SignalName() const {
    return std::string(TrimBlanks(signalBox->currentText().toStdString()));
}

void CDlgFrameHandle::ApplySearchedField() {
    searchingSignal = !SignalName().empty();
    columnBox->setEnabled(!searchingSignal);
    if (searchingSignal)
        state.ApplySignalRule();
    else
        state.ApplyColumnRule(columnBox->currentIndex());
    ShowChecks();
    ShowGreaterLessCaptions();
}

void CDlgFrameHandle::ShowGreaterLessCaptions() {
    // Signal values compare in decimal, so the "0x" of the captions goes.
    const auto caption = [&](SearchCondition c, std::uint32_t signalText) {
        checks[c]->setText(searchingSignal ? QString::fromStdString(XTPLoadString(signalText))
                                           : Caption(kCheckIds[c]));
    };
    caption(kGreater, signaldb::ids::kStrGreater);
    caption(kLess, signaldb::ids::kStrLess);
}

void CDlgFrameHandle::OnRelabel() {
    {
        const QSignalBlocker block(columnBox);
        FillColumns();
    }
    signalLabel->setText(
        QString::fromStdString(XTPLoadString(signaldb::ids::kStrColumnName)));
    signalBox->setToolTip(
        QString::fromStdString(XTPLoadString(signaldb::ids::kStrSignalSearchHint)));
    ShowGreaterLessCaptions();
}

void CDlgFrameHandle::ShowChecks() {
    for (int c = 0; c < kConditionCount; ++c) {
        const CSearchChecks::Box& box = state[static_cast<SearchCondition>(c)];
        checks[c]->setChecked(box.ticked);
        checks[c]->setEnabled(box.boxEnabled);
        boxes[c]->setEnabled(box.comboEnabled);
    }
}

void CDlgFrameHandle::RecordHistory(SearchCondition c) {
    const std::string text = histories[c].Record(boxes[c]->currentText().toStdString());
    if (text.empty()) return;
    boxes[c]->clear();
    for (const std::string& entry : histories[c].Entries())
        boxes[c]->addItem(QString::fromStdString(entry));
    boxes[c]->setCurrentIndex(0);
}

void CDlgFrameHandle::ShowMessage(QWidget* owner, std::uint32_t text, int kind) {
    global.ShowMessage(ToCWnd(owner), XTPLoadString(text), kind, 0);
}

void CDlgFrameHandle::OnSearch() {
    const CWaitCursor wait;
    SearchRequest request;
    request.column = columnBox->currentData().isValid() ? columnBox->currentData().toInt()
                                                        : columnBox->currentIndex();
    for (int c = 0; c < kConditionCount; ++c) request.ticked[c] = checks[c]->isChecked();
    if (!request.AnyTicked()) {
        ShowMessage(this, kStrSearchTextEmpty, name_share::kMsgWarning);
        return;
    }
    for (int c = 0; c < kConditionCount; ++c) {
        request.texts[c] = boxes[c]->currentText().toStdString();
        RecordHistory(static_cast<SearchCondition>(c));
    }
    const bool refresh = refreshCheck->isChecked();
    const std::string signal = SignalName();
    if (!signal.empty() && (!decoder || decoder->Empty())) {
        ShowMessage(this, signaldb::ids::kStrNoDatabase, name_share::kMsgWarning);
        return;
    }
    const SearchOutcome outcome =
        signal.empty() ? RunFrameSearch(request, refresh, frameList.Record().frameStore,
                                        frameList.CellContext().rowText, results.Results())
                       : RunSignalSearch(request, signal, *decoder, refresh,
                                         frameList.Record().frameStore, results.Results());
    if (outcome.status != SearchStatus::kDone) {
        ShowMessage(this,
                    outcome.status == SearchStatus::kUnknownSignal ? signaldb::ids::kStrNoSignal
                                                                   : kStrSearchTextEmpty,
                    name_share::kMsgWarning);
        return;
    }
    results.Model().SyncRows(refresh);
    if (showResults) showResults();
    if (outcome.NothingFound()) ShowMessage(window(), kStrNotFound, name_share::kMsgInformation);
    results.PostStatusText(outcome.count);
    StoreSettings();
}

void CDlgFrameHandle::OnJump() {
    lineNumber = lineBox->value();
    frameList.SelectRowAndShow(lineNumber);
    StoreSettings();
}

void CDlgFrameHandle::StoreSettings() const {
    QSettings settings;
    for (int c = 0; c < kConditionCount; ++c) {
        histories[c].Store([&](int i, const std::string& text) {
            settings.setValue(Key(SearchHistoryKey(static_cast<SearchCondition>(c), i)),
                              QString::fromStdString(text));
        });
    }
    settings.setValue(Key(kSearchLinesKey), lineBox->value());
    settings.setValue(Key(kSearchTypeKey), columnBox->currentIndex());
    settings.setValue(Key(kSearchSignalKey), QString::fromStdString(SignalName()));
}

void CDlgFrameHandle::accept() {
    StoreSettings();
}

void CDlgFrameHandle::reject() {
    StoreSettings();
}

void CDlgFrameHandle::keyPressEvent(QKeyEvent* event) {
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        accept();
        event->accept();
        return;
    }
    CBaseDlg::keyPressEvent(event);
}

void CDlgFrameHandle::paintEvent(QPaintEvent* event) {
    CBaseDlg::paintEvent(event);
    // A one-pixel frame in the shadow colour round the pane.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace korvex
