#include "app/analysis/DlgOneBusStatus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/analysis/HisCurve.h"
#include "app/services/WindowHandle.h"
#include "core/KorvexGlobal.h"
#include "xtp/XTPUiServices.h"

namespace {

// Controls of template 1054.
constexpr int kIdLoadBar = 2034;
constexpr int kIdPrecision = 1018;
constexpr int kIdSpanList = 1022;
constexpr int kIdStart = 1024;
constexpr int kIdEnd = 1025;
constexpr int kIdFineAdjust = 1027;
constexpr int kIdUpdate = 1016;
constexpr int kIdAverageFlow = 2044;
constexpr int kIdAverageLoad = 2043;
constexpr int kLabelSpan = 25003;
constexpr int kLabelStart = 25004;
constexpr int kLabelEnd = 25005;
constexpr int kLabelPrecision = 25006;
constexpr int kLabelFlow = 25007;
constexpr int kLabelFramesPerSecond = 25008;
constexpr int kLabelLoad = 25009;

constexpr std::uint32_t kStrLoadPage = 116;
constexpr std::uint32_t kStrFlowPage = 117;

QLabel* BoundLabel(name_share::CBaseDlg* dialog, int id) {
    auto* label = new QLabel(dialog);
    dialog->BindCaption(label, id);
    return label;
}

}  // namespace

CDlgOneBusStatus::CDlgOneBusStatus(CKorvexGlobal& global, FrameStoreFn frameStore, QWidget* parent)
    : CBaseDlg(kTemplate, parent),
      global(global),
      frameStore(std::move(frameStore)),
      loadBar(new QProgressBar(this)),
      pages(new QTabWidget(this)),
      precisionEdit(new QLineEdit(this)),
      loadCurve(new CHisCurve(this)),
      flowCurve(new CHisCurve(this)),
      spanList(new QComboBox(this)),
      startEdit(new QLineEdit(this)),
      endEdit(new QLineEdit(this)),
      fineAdjust(new QCheckBox(this)),
      updateButton(new QPushButton(this)),
      averageFlow(new QLabel(QStringLiteral("0"), this)),
      averageLoad(new QLabel(QStringLiteral("0%"), this)) {
    loadBar->setObjectName(QString::number(kIdLoadBar));
    loadBar->setRange(0, 100);
    loadBar->setValue(0);
    loadBar->setTextVisible(false);
    precisionEdit->setReadOnly(true);
    precisionEdit->setObjectName(QString::number(kIdPrecision));
    spanList->setObjectName(QString::number(kIdSpanList));
    spanList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    averageFlow->setObjectName(QString::number(kIdAverageFlow));
    averageLoad->setObjectName(QString::number(kIdAverageLoad));
    startEdit->setObjectName(QString::number(kIdStart));
    endEdit->setObjectName(QString::number(kIdEnd));
    for (QLineEdit* edit : {startEdit, endEdit, precisionEdit})
        edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 24);
    BindCaption(fineAdjust, kIdFineAdjust);
    BindCaption(updateButton, kIdUpdate);

    flowCurve->SetUnit(QStringLiteral("F/T"));
    flowCurve->SetYRange(0, 100);
    loadCurve->SetUnit(QStringLiteral("%/T"));
    flowCurve->SetDataSource(
        [this](int i, int& value, std::uint32_t& stamp) {
            _tagBusFlowRecord record{};
            if (!this->global.busFlowSamples.Get(i, &record)) return false;
            value = record.frameCount;
            stamp = record.startTimeStamp;
            return true;
        },
        [this] { return this->global.busFlowSamples.GetCount(); });
    loadCurve->SetDataSource(
        [this](int i, int& value, std::uint32_t& stamp) {
            _tagBusLoadRecord record{};
            if (!this->global.busLoadSamples.Get(i, &record)) return false;
            value = record.loadPercent;
            stamp = record.startTimeStamp;
            return true;
        },
        [this] { return this->global.busLoadSamples.GetCount(); });
    pages->addTab(flowCurve, QString());
    pages->addTab(loadCurve, QString());

    auto* top = new QGridLayout;
    top->addWidget(BoundLabel(this, kLabelSpan), 0, 0);
    top->addWidget(spanList, 0, 1, 1, 4);
    top->addWidget(BoundLabel(this, kLabelStart), 1, 0);
    top->addWidget(startEdit, 1, 1);
    top->addWidget(BoundLabel(this, kLabelEnd), 1, 2);
    top->addWidget(endEdit, 1, 3);
    top->addWidget(fineAdjust, 1, 4);
    top->addWidget(updateButton, 1, 5);
    top->setColumnStretch(6, 1);

    auto* averages = new QHBoxLayout;
    averages->addWidget(BoundLabel(this, kLabelPrecision));
    averages->addWidget(precisionEdit);
    averages->addSpacing(16);
    averages->addWidget(BoundLabel(this, kLabelFlow));
    averages->addWidget(averageFlow);
    averages->addWidget(BoundLabel(this, kLabelFramesPerSecond));
    averages->addSpacing(16);
    averages->addWidget(BoundLabel(this, kLabelLoad));
    averages->addWidget(loadBar, 1);
    averages->addWidget(averageLoad);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(averages);
    layout->addWidget(pages, 1);
    resize(720, 480);

    connect(spanList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int k) { SelectSpan(k); });
    connect(updateButton, &QPushButton::clicked, this, [this] { Update(); });
    connect(fineAdjust, &QCheckBox::clicked, this, [this] { OnFineAdjust(); });
    Relabel();
}

void CDlgOneBusStatus::OnRelabel() {
    pages->setTabText(0, QString::fromStdString(XTPLoadString(kStrFlowPage)));
    pages->setTabText(1, QString::fromStdString(XTPLoadString(kStrLoadPage)));
}

void CDlgOneBusStatus::OpenFromCommand() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    Open();
}

void CDlgOneBusStatus::Open() {
    loadBar->setValue(0);
    if (global.origTimeList.empty()) {
        // Data without clock records has no spans; what an earlier opening
        // listed is gone with its data.
        spans = {};
        const QSignalBlocker block(spanList);
        spanList->clear();
        return;
    }
    fineAdjust->setChecked(false);
    OnFineAdjust();
    CCycleBuffer<_VCI_CAN_OBJ>* store = frameStore ? frameStore() : nullptr;
    CCycleBuffer<_VCI_CAN_OBJ> none;
    spans.Distribute(store ? *store : none, global.origTimeList);
    {
        const QSignalBlocker block(spanList);
        spanList->clear();
        for (std::size_t k = 0; k < spans.Count(); ++k)
            spanList->addItem(QString::fromStdString(spans.ListText(k)));
    }
    if (spans.Count() > 0) {
        spanList->setCurrentIndex(0);
        SelectSpan(0);
    }
}

int CDlgOneBusStatus::CurrentSpan() const {
    const int k = spanList->currentIndex();
    return k >= 0 && static_cast<std::size_t>(k) < spans.Count() ? k : -1;
}

void CDlgOneBusStatus::SelectSpan(int k) {
    if (k < 0 || static_cast<std::size_t>(k) >= spans.Count()) return;
    const korvex::BusSubInterval sub = korvex::SpanSubInterval(spans, static_cast<std::size_t>(k));
    if (spans.FrameCount(static_cast<std::size_t>(k)) == 0) {
        OnFineAdjust();
    } else {
        startEdit->setText(QString::fromStdString(sub.start));
        endEdit->setText(QString::fromStdString(sub.end));
    }
    Compute();
}

void CDlgOneBusStatus::Update() {
    Compute();
}

void CDlgOneBusStatus::OnFineAdjust() {
    const int k = CurrentSpan();
    const bool hasFrames = k >= 0 && spans.FrameCount(static_cast<std::size_t>(k)) != 0;
    const korvex::FineAdjustState state =
        korvex::ApplyFineAdjust(fineAdjust->isChecked(), hasFrames);
    if (state.message != 0) ShowMessage(state.message);
    fineAdjust->setChecked(state.ticked);
    startEdit->setEnabled(state.editsEnabled);
    endEdit->setEnabled(state.editsEnabled);
}

void CDlgOneBusStatus::Compute() {
    const int k = CurrentSpan();
    const korvex::BusStatusOutcome outcome = korvex::ComputeBusStatus(
        spans, k < 0 ? spans.Count() : static_cast<std::size_t>(k), startEdit->text().toStdString(),
        endEdit->text().toStdString(), global);
    if (outcome.computed) {
        precisionEdit->setText(QString::number(outcome.precision));
        flowCurve->SetStepTime(outcome.precision);
        loadCurve->SetStepTime(outcome.precision);
        flowCurve->SetYRange(0, outcome.flowYMax);
        flowCurve->SetRangeTexts(global.strAnalyStart, global.strAnalyEnd);
        loadCurve->SetRangeTexts(global.strAnalyStart, global.strAnalyEnd);
        averageFlow->setText(QString::number(outcome.averageFlow));
        averageLoad->setText(
            QString::fromStdString(korvex::LoadText(outcome.loadKnown, outcome.averageLoad)));
        loadBar->setValue(outcome.loadKnown ? std::min(outcome.averageLoad, 100) : 0);
    }
    flowCurve->update();
    loadCurve->update();
    if (outcome.message != 0) ShowMessage(outcome.message);
}

void CDlgOneBusStatus::ShowMessage(std::uint32_t message) {
    XTPUiServices().MessageBox(korvex::ToCWnd(this), XTPLoadString(message),
                               TemplateCaption().toStdString(), xtp_mb::kOk | xtp_mb::kIconWarning);
}
