#include "app/signals/SignalPlotWindow.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>

#include "app/common/rules/NumberedFormat.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/services/WindowHandle.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/rules/SignalIds.h"
#include "app/signals/rules/SignalTree.h"
#include "core/signals/SignalText.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::signaldb {
namespace {

constexpr int kRefRole = Qt::UserRole + 1;
constexpr int kProgressMs = 100;
constexpr std::uint32_t kStrAppTitle = 128;

// Colours told apart on a white plot, in the order lanes take them.
const QColor kLaneColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                              QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd),
                              QColor(0xff, 0x7f, 0x0e), QColor(0x8c, 0x56, 0x4b),
                              QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

QString Text(std::uint32_t id) {
    return QString::fromStdString(XTPLoadString(id));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The save-file dialog of an export; empty when the user cancels.
QString AskSavePath(QWidget* owner, const char* extension, std::uint32_t filter) {
    XTPFileDialogRequest request;
    request.defaultExt = extension;
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = XTPLoadString(filter);
    std::string path;
    return XTPUiServices().SaveFileDialog(ToCWnd(owner), request, path) ? Q(path) : QString();
}

SignalRef RefOf(const QTreeWidgetItem* item) {
    const QPoint p = item->data(0, kRefRole).toPoint();
    return {p.x(), p.y()};
}

}  // namespace

CSignalPlotWindow::CSignalPlotWindow(CSignalDatabases& databases, Source source, QWidget* parent)
    : CBaseDlg(ids::kPlotDialog, parent),
      databases(databases),
      source(std::move(source)),
      filter(new QLineEdit(this)),
      tree(new QTreeWidget(this)),
      plot(new CSignalPlot(this)),
      progressBar(new QProgressBar(this)),
      cancelButton(new QPushButton(this)),
      progressText(new QLabel(this)),
      progressTimer(new QTimer(this)) {
    setWindowFlags(Qt::Window);
    setSizeGripEnabled(true);
    filter->setClearButtonEnabled(true);
    filter->setObjectName(QString::number(ids::kPlotFilter));
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setObjectName(QStringLiteral("signalTree"));

    auto* fitButton = new QPushButton(this);
    auto* imageButton = new QPushButton(this);
    auto* csvButton = new QPushButton(this);
    auto* refreshButton = new QPushButton(this);
    auto* hint = new QLabel(this);
    auto* filterLabel = new QLabel(this);
    BindCaption(filterLabel, ids::kPlotFilter);
    BindCaption(fitButton, ids::kPlotFit);
    BindCaption(imageButton, ids::kPlotExportImage);
    BindCaption(csvButton, ids::kPlotExportCsv);
    BindCaption(cancelButton, ids::kPlotCancel);
    BindCaption(refreshButton, ids::kPlotRefresh);
    BindCaption(hint, ids::kPlotHint);
    hint->setForegroundRole(QPalette::PlaceholderText);
    for (QPushButton* b : {fitButton, imageButton, csvButton, refreshButton, cancelButton})
        b->setAutoDefault(false);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filter, 1);
    leftLayout->addLayout(filterRow);
    leftLayout->addWidget(tree, 1);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fitButton);
    buttons->addWidget(refreshButton);
    buttons->addStretch(1);
    buttons->addWidget(imageButton);
    buttons->addWidget(csvButton);
    rightLayout->addLayout(buttons);
    rightLayout->addWidget(plot, 1);
    auto* status = new QHBoxLayout;
    status->addWidget(hint, 1);
    status->addWidget(progressText);
    status->addWidget(progressBar);
    status->addWidget(cancelButton);
    rightLayout->addLayout(status);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 840});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    progressBar->setRange(0, 1000);
    progressBar->setMaximumWidth(200);
    progressBar->hide();
    progressText->hide();
    cancelButton->hide();
    progressTimer->setInterval(kProgressMs);

    connect(filter, &QLineEdit::textChanged, this, [this] { FillTree(); });
    connect(tree, &QTreeWidget::itemChanged, this, &CSignalPlotWindow::OnItemChanged);
    connect(fitButton, &QPushButton::clicked, plot, &CSignalPlot::Fit);
    connect(refreshButton, &QPushButton::clicked, this, &CSignalPlotWindow::Refresh);
    connect(imageButton, &QPushButton::clicked, this, &CSignalPlotWindow::OnExportImage);
    connect(csvButton, &QPushButton::clicked, this, &CSignalPlotWindow::OnExportCsv);
    connect(cancelButton, &QPushButton::clicked, this, [this] { job.Cancel(); });
    connect(progressTimer, &QTimer::timeout, this, &CSignalPlotWindow::ShowProgress);
    connect(&job, &CSampleJob::finished, this, &CSignalPlotWindow::OnJobFinished);
    connect(plot, &CSignalPlot::frameChosen, this, [this](int frame) {
        if (this->source.selectFrame) this->source.selectFrame(frame);
    });
    connect(&databases, &CSignalDatabases::changed, this, &CSignalPlotWindow::OnDatabasesChanged);

    resize(1100, 640);
    decoder = databases.Decoder();
    Relabel();
    FillTree();
}

void CSignalPlotWindow::OnRelabel() {
    plot->SetEmptyText(Text(decoder && !decoder->Empty() ? ids::kStrNoLane : ids::kStrNoDatabase));
    ShowProgress();
}

void CSignalPlotWindow::OnDatabasesChanged() {
    // Lanes follow their signals by name into the new decoder.
    const auto old = decoder;
    decoder = databases.Decoder();
    std::vector<std::pair<std::string, std::string>> names;
    for (const CSignalPlot::Lane& lane : plot->Lanes()) {
        const DbcMessage& m = *old->Messages()[lane.ref.message].message;
        names.emplace_back(m.name, m.signalList[lane.ref.signal].name);
    }
    plot->ClearLanes();
    FillTree();
    for (const auto& [message, signal] : names) {
        const auto& messages = decoder->Messages();
        for (std::size_t m = 0; m < messages.size(); ++m) {
            if (messages[m].message->name != message) continue;
            const DbcMessage& dm = *messages[m].message;
            for (std::size_t s = 0; s < dm.signalList.size(); ++s)
                if (dm.signalList[s].name == signal)
                    SetSignalChecked({static_cast<int>(m), static_cast<int>(s)}, true);
            break;
        }
    }
    OnRelabel();
}

void CSignalPlotWindow::FillTree() {
    filling = true;
    tree->clear();
    const std::vector<SignalTreeMessage> entries =
        FilterSignalTree(*decoder, filter->text().toStdString());
    const bool filtered = !filter->text().trimmed().isEmpty();
    for (const SignalTreeMessage& entry : entries) {
        const CompiledMessage& compiled = decoder->Messages()[entry.message];
        const DbcMessage& m = *compiled.message;
        std::string id;
        AppendIdText(id, m.id, m.extended);
        auto* top = new QTreeWidgetItem(tree, {Q(m.name) + "  " + Q(id)});
        top->setToolTip(0, Q(m.comment));
        for (const int s : entry.signalList) {
            const DbcSignal& signal = m.signalList[s];
            QString text = Q(signal.name);
            if (!signal.unit.empty()) text += " [" + Q(signal.unit) + "]";
            auto* item = new QTreeWidgetItem(top, {text});
            item->setData(0, kRefRole, QPoint(entry.message, s));
            item->setToolTip(0, Q(signal.comment));
            const bool shown = std::any_of(plot->Lanes().begin(), plot->Lanes().end(),
                                           [&](const CSignalPlot::Lane& l) {
                                               return l.ref == SignalRef{entry.message, s};
                                           });
            item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        }
        top->setExpanded(filtered || entries.size() <= 8);
    }
    filling = false;
}

bool CSignalPlotWindow::SetSignalChecked(SignalRef ref, bool checked) {
    for (int t = 0; t < tree->topLevelItemCount(); ++t) {
        QTreeWidgetItem* top = tree->topLevelItem(t);
        for (int c = 0; c < top->childCount(); ++c) {
            QTreeWidgetItem* item = top->child(c);
            if (RefOf(item) != ref) continue;
            item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
            return true;
        }
    }
    return false;
}

void CSignalPlotWindow::OnItemChanged(QTreeWidgetItem* item) {
    if (filling || item->parent() == nullptr) return;
    const SignalRef ref = RefOf(item);
    const bool shown = std::any_of(plot->Lanes().begin(), plot->Lanes().end(),
                                   [&](const CSignalPlot::Lane& l) { return l.ref == ref; });
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == shown) return;
    if (!checked) {
        plot->RemoveLane(ref);
        return;
    }
    const CompiledMessage& compiled = decoder->Messages()[ref.message];
    const DbcSignal& s = compiled.message->signalList[ref.signal];
    CSignalPlot::Lane lane;
    lane.ref = ref;
    lane.title = Q(compiled.message->name + "." + s.name);
    lane.unit = Q(s.unit);
    lane.format = compiled.signalList[ref.signal].format;
    lane.table = compiled.signalList[ref.signal].values;
    lane.color = kLaneColors[plot->Lanes().size() % std::size(kLaneColors)];
    plot->AddLane(std::move(lane));
    StartJob();
}

void CSignalPlotWindow::Refresh() {
    plot->ClearLanes();
    computedFrames = -1;
    const std::vector<SignalRef> checked = [this] {
        std::vector<SignalRef> refs;
        for (int t = 0; t < tree->topLevelItemCount(); ++t)
            for (int c = 0; c < tree->topLevelItem(t)->childCount(); ++c)
                if (tree->topLevelItem(t)->child(c)->checkState(0) == Qt::Checked)
                    refs.push_back(RefOf(tree->topLevelItem(t)->child(c)));
        return refs;
    }();
    FillTree();
    for (const SignalRef ref : checked) {
        SetSignalChecked(ref, false);
        SetSignalChecked(ref, true);
    }
}

void CSignalPlotWindow::StartJob() {
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    if (store == nullptr) return;
    // A store that changed since the last pass is read again for every
    // lane; otherwise only the lanes still without samples.
    const bool stale = computedFrames != store->GetCount();
    SampleRequest request;
    request.decoder = decoder;
    if (source.origTimeList) request.origTimeList = source.origTimeList();
    for (const CSignalPlot::Lane& lane : plot->Lanes())
        if (stale || lane.data == nullptr) request.signalList.push_back(lane.ref);
    if (request.signalList.empty()) return;
    job.Start(std::move(request), *store);
    progressTimer->start();
    ShowProgress();
}

void CSignalPlotWindow::OnJobFinished(std::shared_ptr<const CSampleJob::Output> output) {
    progressTimer->stop();
    ShowProgress();
    if (output->cancelled) return;
    const bool axisChanged = computedFrames != output->frameCount;
    computedFrames = output->frameCount;
    if (axisChanged) plot->SetAxis(output->axis);
    // A lane removed while the job ran is simply not found.
    for (const auto& series : output->series) plot->SetData(series->series.ref, series);
    // Lanes added while the job ran still need their samples.
    if (std::any_of(plot->Lanes().begin(), plot->Lanes().end(),
                    [](const CSignalPlot::Lane& l) { return l.data == nullptr; }))
        StartJob();
}

void CSignalPlotWindow::ShowProgress() {
    const bool running = job.Running();
    progressBar->setVisible(running);
    cancelButton->setVisible(running);
    progressText->setVisible(running);
    if (!running) return;
    const long long total = std::max<long long>(job.Total(), 1);
    const int permille = static_cast<int>(job.Progress() * 1000 / total);
    progressBar->setValue(permille);
    progressText->setText(QString::fromStdString(FormatString(ids::kStrComputing, permille / 10)));
}

void CSignalPlotWindow::showEvent(QShowEvent* event) {
    CBaseDlg::showEvent(event);
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    if (store && computedFrames >= 0 && computedFrames != store->GetCount()) StartJob();
}

void CSignalPlotWindow::keyPressEvent(QKeyEvent* event) {
    // Escape cancels a running computation before it closes the window.
    if (event->key() == Qt::Key_Escape && job.Running()) {
        job.Cancel();
        return;
    }
    CBaseDlg::keyPressEvent(event);
}

void CSignalPlotWindow::CannotWrite(const QString& path) {
    // The error number of the call that failed, before anything else runs.
    korvex::FileWriteProblem problem;
    problem.Set(true);
    problem.created = QFileInfo::exists(path);
    XTPUiServices().MessageBox(ToCWnd(this), korvex::WriteFailureText(path.toStdString(), problem),
                               XTPLoadString(kStrAppTitle), xtp_mb::kOk | xtp_mb::kIconError);
}

bool CSignalPlotWindow::ExportImage(const QString& path) {
    errno = 0;
    const QSize size = plot->size();
    bool ok;
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(windowTitle());
        QPainter painter;
        ok = painter.begin(&svg);
        if (ok) {
            plot->Render(painter, size);
            ok = painter.end();
        }
        ok = ok && QFileInfo(path).size() > 0;
    } else {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        plot->Render(painter, size);
        painter.end();
        // Made in memory first: a write to the file that fails (a full disk)
        // is then seen, where saving to the path would lose it in a buffer.
        QByteArray png;
        QBuffer buffer(&png);
        ok = buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG");
        QFile file(path);
        errno = 0;
        ok = ok && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
             file.write(png) == png.size() && file.flush();
    }
    if (!ok) CannotWrite(path);
    return ok;
}

bool CSignalPlotWindow::ExportCsv(const QString& path) {
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    std::vector<const SampleSeries*> lanes;
    for (const CSignalPlot::Lane& lane : plot->Lanes())
        if (lane.data) lanes.push_back(&lane.data->series);
    QFile file(path);
    errno = 0;
    bool ok = store != nullptr && file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (ok) {
        ok =
            WriteSampleCsv(*decoder, lanes, plot->Viewport().From(), plot->Viewport().To(), *store,
                           source.timeText, [&file](const std::string& block) {
                               return file.write(block.data(), static_cast<qint64>(block.size())) ==
                                      static_cast<qint64>(block.size());
                           });
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    if (!ok) CannotWrite(path);
    return ok;
}

void CSignalPlotWindow::OnExportImage() {
    const QString path = AskSavePath(this, "png", ids::kStrImageFilter);
    if (!path.isEmpty()) ExportImage(path);
}

void CSignalPlotWindow::OnExportCsv() {
    const QString path = AskSavePath(this, "csv", ids::kStrCsvFilter);
    if (!path.isEmpty()) ExportCsv(path);
}

}  // namespace korvex::signaldb
