#include "app/diagnostics/DiagnosticsPane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>

#include "app/common/FlatTableView.h"
#include "app/common/rules/NumberedFormat.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/diagnostics/DiagnosticsTimeline.h"
#include "app/diagnostics/rules/DiagnosticsIds.h"
#include "app/services/WindowHandle.h"
#include "core/transport/TransportCsv.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::diagnostics {
namespace {

constexpr std::uint32_t kStrAppTitle = 128;
constexpr char kPairsKey[] = "Diagnostics/IsoTpPairs";

QString Text(std::uint32_t id) {
    return QString::fromStdString(XTPLoadString(id));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString AskSavePath(QWidget* owner) {
    XTPFileDialogRequest request;
    request.defaultExt = "csv";
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = XTPLoadString(ids::kStrCsvFilter);
    std::string path;
    return XTPUiServices().SaveFileDialog(ToCWnd(owner), request, path) ? Q(path) : QString();
}

void FixRows(QTableView* table) {
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->setWordWrap(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStretchLastSection(true);
}

}  // namespace

void CMessageModel::SetRows(const CDiagnosticsRows* r, std::vector<std::size_t> s,
                            CDiagnosticsRows::TimeTextFn t, transport::SpnNameFn n, QStringList c) {
    beginResetModel();
    spnName = std::move(n);
    rows = r;
    shown = std::move(s);
    timeText = std::move(t);
    captions = std::move(c);
    endResetModel();
}

int CMessageModel::RowOf(std::size_t message) const {
    const auto at = std::lower_bound(shown.begin(), shown.end(), message);
    return at != shown.end() && *at == message ? static_cast<int>(at - shown.begin()) : -1;
}

int CMessageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown.size());
}

int CMessageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMessageColumns;
}

QVariant CMessageModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || rows == nullptr || !index.isValid()) return {};
    return Q(rows->MessageCell(MessageAt(index.row()), index.column(), timeText, spnName));
}

QVariant CMessageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section >= captions.size())
        return {};
    return captions[section];
}

CDiagnosticsPane::CDiagnosticsPane(Source s, QWidget* parent)
    : CBaseDlg(ids::kPaneDialog, parent),
      source(std::move(s)),
      rows(std::make_shared<CDiagnosticsRows>()),
      tabs(new QTabWidget(this)),
      protocolBox(new QComboBox(this)),
      addressEdit(new QLineEdit(this)),
      textEdit(new QLineEdit(this)),
      pairsEdit(new QLineEdit(this)),
      readButton(new QPushButton(this)),
      exportMessages(new QPushButton(this)),
      exportFaults(new QPushButton(this)),
      status(new QLabel(this)),
      selected(new QLabel(this)),
      messageTable(new QTableView(this)),
      messageModel(new CMessageModel(this)),
      faultTable(new QTableWidget(this)),
      timeline(new CDiagnosticsTimeline(this)),
      cursor(new QLabel(this)) {
    setWindowFlags(Qt::Widget);
    exportMessages->setObjectName(QStringLiteral("exportMessages"));
    exportFaults->setObjectName(QStringLiteral("exportFaults"));
    BindCaption(readButton, ids::kRead);
    BindCaption(exportMessages, ids::kExportMessages);
    BindCaption(exportFaults, ids::kExportFaults);
    auto* protocolLabel = new QLabel(this);
    auto* addressLabel = new QLabel(this);
    auto* textLabel = new QLabel(this);
    auto* pairsLabel = new QLabel(this);
    BindCaption(protocolLabel, ids::kProtocolLabel);
    BindCaption(addressLabel, ids::kAddressLabel);
    BindCaption(textLabel, ids::kTextLabel);
    BindCaption(pairsLabel, ids::kPairsLabel);
    pairsEdit->setText(QSettings().value(kPairsKey).toString());
    pairsEdit->setPlaceholderText(QStringLiteral("7E0:7E8,18DA10F1:18DAF110 | none"));
    selected->setTextInteractionFlags(Qt::TextSelectableByMouse);

    protocolBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    messageTable->setModel(messageModel);
    FixRows(messageTable);
    FixRows(faultTable);
    faultTable->setColumnCount(kFaultColumns);
    faultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* readRow = new QHBoxLayout;
    readRow->addWidget(pairsLabel);
    readRow->addWidget(pairsEdit, 1);
    readRow->addWidget(readButton);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(protocolLabel);
    filterRow->addWidget(protocolBox);
    filterRow->addWidget(addressLabel);
    filterRow->addWidget(addressEdit, 1);
    filterRow->addWidget(textLabel);
    filterRow->addWidget(textEdit, 2);
    filterRow->addWidget(exportMessages);
    auto* messagesPage = new QWidget(this);
    auto* messagesLayout = new QVBoxLayout(messagesPage);
    messagesLayout->setContentsMargins(2, 2, 2, 2);
    messagesLayout->addLayout(filterRow);
    messagesLayout->addWidget(messageTable, 1);
    messagesLayout->addWidget(selected);

    auto* faultsPage = new QWidget(this);
    auto* faultsLayout = new QVBoxLayout(faultsPage);
    faultsLayout->setContentsMargins(2, 2, 2, 2);
    auto* split = new QSplitter(Qt::Vertical, faultsPage);
    split->addWidget(faultTable);
    split->addWidget(timeline);
    split->setStretchFactor(1, 1);
    faultsLayout->addWidget(split, 1);
    auto* faultsRow = new QHBoxLayout;
    faultsRow->addWidget(cursor, 1);
    faultsRow->addWidget(exportFaults);
    faultsLayout->addLayout(faultsRow);
    tabs->addTab(messagesPage, QString());
    tabs->addTab(faultsPage, QString());

    // The pane scrolls rather than hold its dock area open: the panes beside
    // it in a low window keep their room.
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(readRow);
    layout->addWidget(status);
    layout->addWidget(tabs, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    connect(readButton, &QPushButton::clicked, this, &CDiagnosticsPane::Read);
    connect(pairsEdit, &QLineEdit::returnPressed, this, &CDiagnosticsPane::Read);
    connect(protocolBox, &QComboBox::currentIndexChanged, this, &CDiagnosticsPane::ApplyFilter);
    connect(addressEdit, &QLineEdit::textChanged, this, &CDiagnosticsPane::ApplyFilter);
    connect(textEdit, &QLineEdit::textChanged, this, &CDiagnosticsPane::ApplyFilter);
    connect(messageTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid() || !source.selectFrames) return;
        source.selectFrames(rows->FramesOf(messageModel->MessageAt(index.row()), frames));
    });
    const auto goToFirstReport = [this](int episode) {
        if (episode < 0 || static_cast<std::size_t>(episode) >= rows->Episodes().size()) return;
        if (source.selectFrames)
            source.selectFrames({rows->Episodes()[static_cast<std::size_t>(episode)].first});
    };
    connect(faultTable, &QTableWidget::cellDoubleClicked, this,
            [goToFirstReport](int row, int) { goToFirstReport(row); });
    connect(timeline, &CDiagnosticsTimeline::episodeActivated, this, goToFirstReport);
    connect(timeline, &CDiagnosticsTimeline::cursorMoved, cursor, &QLabel::setText);
    connect(exportMessages, &QPushButton::clicked, this, [this] {
        const QString path = AskSavePath(this);
        if (!path.isEmpty()) ExportMessages(path);
    });
    connect(exportFaults, &QPushButton::clicked, this, [this] {
        const QString path = AskSavePath(this);
        if (!path.isEmpty()) ExportFaults(path);
    });
    reading.OnProgress(
        [this](int percent) { status->setText(Q(FormatString(ids::kStrReading, percent))); });
    Relabel();
}

void CDiagnosticsPane::OnRelabel() {
    tabs->setTabText(0, Text(ids::kStrMessagesTab));
    tabs->setTabText(1, Text(ids::kStrFaultsTab));
    const int protocol = std::max(protocolBox->currentIndex(), 0);
    protocolBox->blockSignals(true);
    protocolBox->clear();
    protocolBox->addItems(
        {Text(ids::kStrAllProtocols), QStringLiteral("ISO-TP"), QStringLiteral("J1939-TP")});
    protocolBox->setCurrentIndex(protocol);
    protocolBox->blockSignals(false);
    QStringList faultCaptions;
    for (int c = 0; c < kFaultColumns; ++c)
        faultCaptions << Text(ids::kStrFaultColumns + static_cast<std::uint32_t>(c));
    faultTable->setHorizontalHeaderLabels(faultCaptions);
    timeline->setToolTip(Text(ids::kStrTimelineHint));
    shownFilter.reset();
    ApplyFilter();
    ShowSummary();
}

std::string CDiagnosticsPane::TimeText(std::int64_t index) const {
    if (index < 0 || index >= frames.Count() || !source.timeText) return {};
    return source.timeText(index, frames[index]);
}

void CDiagnosticsPane::Read() {
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    if (store == nullptr) return;
    std::string error;
    const QString pairsText = pairsEdit->text().trimmed();
    std::optional<transport::CIsoTpPairs> pairs =
        pairsText.isEmpty() ? transport::CIsoTpPairs::Standard()
                            : transport::CIsoTpPairs::Parse(pairsText.toStdString(), error);
    if (!pairs) {
        status->setText(Q(error));
        return;
    }
    QSettings().setValue(kPairsKey, pairsText);
    const FrameView view = store->View();
    status->setText(Q(FormatString(ids::kStrReading, 0)));
    reading.Start(
        view.Count(),
        [view, pairs = std::move(*pairs)](const std::atomic<bool>& cancel,
                                          std::atomic<long long>& progress) {
            transport::TransportReading found;
            std::optional<ReadResult> result;
            if (transport::ReadTransport(view, pairs, WatchedSplit(cancel, progress), found))
                result =
                    ReadResult{std::make_shared<const CDiagnosticsRows>(std::move(found)), view};
            return result;
        },
        [this](ReadResult result) { ShowReading(std::move(result)); });
}

void CDiagnosticsPane::ShowReading(ReadResult result) {
    rows = std::move(result.rows);
    frames = std::move(result.frames);
    shownFilter.reset();
    ApplyFilter();
    FillFaults();
    ShowSummary();
    emit readFinished();
}

void CDiagnosticsPane::NamesChanged() {
    shownFilter.reset();
    ApplyFilter();
}

void CDiagnosticsPane::ApplyFilter() {
    MessageFilter filter;
    filter.protocol = static_cast<ProtocolFilter>(std::max(protocolBox->currentIndex(), 0));
    filter.address = addressEdit->text().trimmed().toStdString();
    filter.text = textEdit->text().trimmed().toStdString();
    QStringList captions;
    for (int c = 0; c < kMessageColumns; ++c)
        captions << Text(ids::kStrMessageColumns + static_cast<std::uint32_t>(c));
    // Typing on in a field narrows the filter: only what it showed is
    // looked at again.
    shownMessages = shownFilter && FilterNarrows(filter, *shownFilter)
                        ? rows->Filter(filter, &shownMessages, source.spnName)
                        : rows->Filter(filter, nullptr, source.spnName);
    shownFilter = filter;
    messageModel->SetRows(
        rows.get(), shownMessages, [this](std::int64_t index) { return TimeText(index); },
        source.spnName, captions);
    ShowSummary();
}

void CDiagnosticsPane::FillFaults() {
    const auto& episodes = rows->Episodes();
    faultTable->setRowCount(static_cast<int>(episodes.size()));
    const auto time = [this](std::int64_t index) { return TimeText(index); };
    for (std::size_t r = 0; r < episodes.size(); ++r)
        for (int c = 0; c < kFaultColumns; ++c)
            faultTable->setItem(static_cast<int>(r), c,
                                new QTableWidgetItem(Q(rows->FaultCell(r, c, time))));
    faultTable->resizeColumnsToContents();
    timeline->SetContent(rows.get(), frames.Count(),
                         [this](std::int64_t index) { return TimeText(index); });
}

void CDiagnosticsPane::ShowSummary() {
    if (Reading()) return;
    if (frames.Count() == 0 && rows->Messages().empty()) {
        status->setText(Text(ids::kStrNotRead));
        return;
    }
    status->setText(
        Q(FormatString(ids::kStrSummary, static_cast<int>(rows->Messages().size()),
                       messageModel->rowCount(), static_cast<int>(rows->Episodes().size()))));
}

void CDiagnosticsPane::ShowFrame(std::int64_t index) {
    const std::int64_t message = rows->MessageOfFrame(index, frames);
    if (message < 0) {
        selected->clear();
        return;
    }
    const int row = messageModel->RowOf(static_cast<std::size_t>(message));
    if (row >= 0) {
        messageTable->setCurrentIndex(messageModel->index(row, 0));
        messageTable->scrollTo(messageModel->index(row, 0));
    }
    const auto m = static_cast<std::size_t>(message);
    const auto time = [this](std::int64_t i) { return TimeText(i); };
    const std::string text =
        rows->MessageCell(m, 3, time, {}) + "  " + rows->MessageCell(m, 4, time, {}) + "  " +
        rows->MessageCell(m, 8, time, {}) + "  " + rows->MessageCell(m, 10, time, source.spnName);
    selected->setText(Q(FormatString(ids::kStrSelectedIn, text.c_str())));
}

bool CDiagnosticsPane::Export(const QString& path, bool faults) {
    FileWriteProblem problem;
    std::FILE* file = std::fopen(path.toStdString().c_str(), "wb");
    if (file == nullptr) {
        problem.Set(false);
        CannotWrite(path, problem);
        return false;
    }
    std::string text = faults ? transport::kDtcCsvHeader : transport::kTransportCsvHeader;
    const auto time = [this](std::int64_t i) { return TimeText(i); };
    if (faults) {
        for (const transport::DtcEpisode& e : rows->Episodes())
            transport::AppendDtcCsvLine(text, e, time(e.first), time(e.last));
    } else {
        for (const transport::TransportMessage& m : rows->Messages())
            transport::AppendTransportCsvLine(text, m, time(m.last), source.spnName);
    }
    errno = 0;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (!ok) problem.Set(true);
    if (std::fclose(file) != 0 && ok) {
        problem.Set(true);
        ok = false;
    }
    if (!ok) CannotWrite(path, problem);
    return ok;
}

bool CDiagnosticsPane::ExportMessages(const QString& path) {
    return Export(path, false);
}

bool CDiagnosticsPane::ExportFaults(const QString& path) {
    return Export(path, true);
}

void CDiagnosticsPane::CannotWrite(const QString& path, const FileWriteProblem& problem) {
    XTPUiServices().MessageBox(ToCWnd(this), WriteFailureText(path.toStdString(), problem),
                               XTPLoadString(kStrAppTitle), xtp_mb::kOk | xtp_mb::kIconError);
}

}  // namespace korvex::diagnostics
