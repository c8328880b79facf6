#include "app/device/DlgConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/device/BitTimingDlg.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {
namespace {

enum Control {
    kConfig = 1000,
    kDevice = 1001,
    kRead = 1002,
    kDefault = 1003,
    kIo0 = 1009,
    kIo1 = 1010,
    kFilterEnable = 2003,
    kBitRate = 2004,
    kCustom = 2006,
    kFilterFormat = 2007,
    kResistor = 2008,
    kMode = 3004,
    kEndId = 6004,
    kStartId = 6005,
    kFilterList = 6006,
    kAdd = 6007,
    kDelete = 6009,
    kCustomRegister = 6010,
    kClock = 6011,
    kInterval = 6012,
    kCalculator = 9060,
    kLabelDevice = 1201,
    kGroupBitRate = 1202,
    kLabelCustomRegister = 1203,
    kLabelMode = 1204,
    kLabelInterval = 1205,
    kLabelClock = 1206,
    kLabelIo = 1207,
    kGroupFilter = 1208,
    kLabelStartId = 1209,
    kLabelEndId = 1210,
};

constexpr int kClockTimerMs = 1000;  // timer 500
constexpr int kFilterColumnWidths[4] = {1, 150, 100, 100};

void SetText(QLineEdit* edit, const std::string& text) {
    const QString q = ToQString(text);
    if (edit->text() != q) edit->setText(q);
}

}  // namespace

CDlgConfig::CDlgConfig(::CANSetting& setting, DeviceWait deviceWait, QWidget* parent,
                       std::time_t now)
    : CBaseDlg(130, parent),
      setting(setting),
      deviceWait(std::move(deviceWait)),
      rules(setting.baseInfo, setting.filterInfo, now),
      device(new QComboBox(this)),
      bitRate(new QComboBox(this)),
      custom(new QCheckBox(this)),
      customRegister(new QLineEdit(this)),
      calculator(new QPushButton(this)),
      mode(new QComboBox(this)),
      interval(new QLineEdit(this)),
      clock(new QLineEdit(this)),
      io0(new QRadioButton(this)),
      io1(new QRadioButton(this)),
      resistor(new QCheckBox(this)),
      filterEnable(new QCheckBox(this)),
      filterFormat(new QComboBox(this)),
      startId(new QLineEdit(this)),
      endId(new QLineEdit(this)),
      add(new QPushButton(this)),
      remove(new QPushButton(this)),
      filterList(new QTableWidget(this)) {
    const auto named = [this](QWidget* w, const char* name, int id) {
        w->setObjectName(name);
        BindCaption(w, id);
    };
    const auto label = [this](int id) {
        auto* l = new QLabel(this);
        BindCaption(l, id);
        return l;
    };
    device->setObjectName("device");
    bitRate->setObjectName("bitRate");
    mode->setObjectName("mode");
    filterFormat->setObjectName("filterFormat");
    customRegister->setObjectName("customRegister");
    interval->setObjectName("interval");
    clock->setObjectName("clock");
    startId->setObjectName("startId");
    endId->setObjectName("endId");
    filterList->setObjectName("filterList");
    named(custom, "custom", kCustom);
    named(calculator, "calculator", kCalculator);
    named(io0, "io0", kIo0);
    named(io1, "io1", kIo1);
    named(resistor, "resistor", kResistor);
    named(filterEnable, "filterEnable", kFilterEnable);
    named(add, "add", kAdd);
    named(remove, "delete", kDelete);
    auto* read = new QPushButton(this);
    auto* config = new QPushButton(this);
    auto* restore = new QPushButton(this);
    named(read, "read", kRead);
    named(config, "config", kConfig);
    named(restore, "default", kDefault);

    for (int i = 0; i < kDeviceEntries; ++i) device->addItem(ToQString(DeviceEntryText(i)));
    for (const BitRateEntry& entry : BitRateTable()) bitRate->addItem(entry.text);
    for (int i = 0; i < 2; ++i) mode->addItem(QString());
    for (int i = 0; i < 4; ++i) filterFormat->addItem(QString());
    clock->installEventFilter(this);
    clock->setMinimumWidth(150);
    customRegister->setMinimumWidth(90);

    filterList->setColumnCount(4);
    filterList->setSelectionBehavior(QAbstractItemView::SelectRows);
    filterList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    filterList->verticalHeader()->hide();
    filterList->verticalHeader()->setDefaultSectionSize(20);
    for (int c = 0; c < 4; ++c) filterList->setColumnWidth(c, kFilterColumnWidths[c]);
    // The channel column is one pixel wide in the original layout: hidden.
    filterList->setColumnHidden(0, true);
    filterList->horizontalHeader()->setStretchLastSection(true);
    filterList->setMinimumHeight(150);

    auto* top = new QHBoxLayout;
    top->addWidget(label(kLabelDevice));
    top->addWidget(device);
    top->addStretch();

    auto* rateBox = new QGroupBox(this);
    BindCaption(rateBox, kGroupBitRate);
    auto* rateGrid = new QGridLayout(rateBox);
    rateGrid->addWidget(bitRate, 0, 0);
    rateGrid->addWidget(custom, 0, 1, 1, 2);
    rateGrid->addWidget(label(kLabelCustomRegister), 1, 0);
    rateGrid->addWidget(customRegister, 1, 1);
    rateGrid->addWidget(calculator, 1, 2);

    auto* work = new QGridLayout;
    work->addWidget(label(kLabelMode), 0, 0);
    work->addWidget(mode, 0, 1);
    work->addWidget(label(kLabelInterval), 1, 0);
    work->addWidget(interval, 1, 1);
    work->addWidget(label(kLabelClock), 2, 0);
    work->addWidget(clock, 2, 1);

    auto* upper = new QHBoxLayout;
    upper->addWidget(rateBox);
    upper->addLayout(work);

    auto* ioRow = new QHBoxLayout;
    ioRow->addWidget(label(kLabelIo));
    ioRow->addWidget(io0);
    ioRow->addWidget(io1);
    ioRow->addSpacing(24);
    ioRow->addWidget(resistor);
    ioRow->addStretch();

    auto* filterBox = new QGroupBox(this);
    BindCaption(filterBox, kGroupFilter);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterEnable);
    filterRow->addWidget(filterFormat);
    filterRow->addStretch();
    auto* idRow = new QHBoxLayout;
    idRow->addWidget(label(kLabelStartId));
    idRow->addWidget(startId);
    idRow->addWidget(label(kLabelEndId));
    idRow->addWidget(endId);
    idRow->addWidget(add);
    idRow->addWidget(remove);
    auto* filterLayout = new QVBoxLayout(filterBox);
    filterLayout->addLayout(filterRow);
    filterLayout->addLayout(idRow);
    filterLayout->addWidget(filterList);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(read);
    buttons->addWidget(config);
    buttons->addWidget(restore);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(upper);
    layout->addLayout(ioRow);
    layout->addWidget(filterBox, 1);
    layout->addLayout(buttons);

    connect(read, &QPushButton::clicked, this, &CDlgConfig::OnRead);
    connect(config, &QPushButton::clicked, this, &CDlgConfig::OnConfig);
    connect(restore, &QPushButton::clicked, this, &CDlgConfig::OnDefault);
    connect(add, &QPushButton::clicked, this, &CDlgConfig::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CDlgConfig::OnDelete);
    connect(calculator, &QPushButton::clicked, this, &CDlgConfig::OnCalculator);
    connect(custom, &QCheckBox::toggled, this, [this] {
        FromWidgets();
        ApplyEnabling();
    });
    connect(filterEnable, &QCheckBox::toggled, this, [this] {
        FromWidgets();
        ApplyEnabling();
    });
    connect(filterFormat, &QComboBox::currentIndexChanged, this, [this] {
        FromWidgets();
        ApplyEnabling();
    });
    connect(bitRate, &QComboBox::activated, this, [this] {
        FromWidgets();
        rules.BitRateChanged();
        ToWidgets();
    });
    connect(&clockTimer, &QTimer::timeout, this, &CDlgConfig::OnTimer);

    Relabel();
    rules.Initialise();
    ToWidgets();
    clockTimer.start(kClockTimerMs);
}

CDlgConfig::~CDlgConfig() {
    clockTimer.stop();
    rules.StoreInto(setting);
}

void CDlgConfig::OnRelabel() {
    const auto modes = ModeTexts();
    for (int i = 0; i < 2; ++i) mode->setItemText(i, ToQString(modes[static_cast<std::size_t>(i)]));
    for (int i = 0; i < 4; ++i)
        filterFormat->setItemText(i, ToQString(FilterFormatText(static_cast<FilterFormat>(i))));
    const auto captions = FilterListCaptions();
    QStringList headers;
    for (const std::string& c : captions) headers << ToQString(c);
    filterList->setHorizontalHeaderLabels(headers);
    ShowRows();
}

void CDlgConfig::FromWidgets() {
    ConfigControls& c = rules.controls;
    c.deviceIndex = device->currentIndex();
    c.bitRateIndex = bitRate->currentIndex();
    c.customBitRate = custom->isChecked();
    c.customRegister = customRegister->text().toStdString();
    c.modeIndex = mode->currentIndex();
    c.sendInterval = interval->text().toStdString();
    c.clock = clock->text().toStdString();
    c.ioLevel = io1->isChecked() ? 1 : 0;
    c.resistor = resistor->isChecked();
    c.filterEnable = filterEnable->isChecked();
    c.filterFormat = filterFormat->currentIndex();
    c.startId = startId->text().toStdString();
    c.endId = endId->text().toStdString();
    const QList<QTableWidgetItem*> selected = filterList->selectedItems();
    c.selectedRow = selected.isEmpty() ? -1 : filterList->row(selected.front());
    for (QTableWidgetItem* item : selected)
        c.selectedRow = std::min(c.selectedRow, filterList->row(item));
}

void CDlgConfig::ToWidgets() {
    const ConfigControls& c = rules.controls;
    const QSignalBlocker blockers[] = {QSignalBlocker(custom), QSignalBlocker(filterEnable),
                                       QSignalBlocker(filterFormat), QSignalBlocker(bitRate)};
    device->setCurrentIndex(c.deviceIndex);
    bitRate->setCurrentIndex(c.bitRateIndex);
    custom->setChecked(c.customBitRate);
    SetText(customRegister, c.customRegister);
    mode->setCurrentIndex(c.modeIndex);
    SetText(interval, c.sendInterval);
    SetText(clock, c.clock);
    (c.ioLevel ? io1 : io0)->setChecked(true);
    resistor->setChecked(c.resistor);
    filterEnable->setChecked(c.filterEnable);
    filterFormat->setCurrentIndex(c.filterFormat);
    SetText(startId, c.startId);
    SetText(endId, c.endId);
    ShowRows();
    ApplyEnabling();
}

void CDlgConfig::ShowRows() {
    const std::vector<FilterEntry>& rows = rules.controls.rows;
    filterList->clearContents();
    filterList->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto texts = FilterRowTexts(rows[r]);
        for (int col = 0; col < 4; ++col) {
            auto* item = new QTableWidgetItem(ToQString(texts[static_cast<std::size_t>(col)]));
            if (col == 1) item->setTextAlignment(Qt::AlignCenter);
            filterList->setItem(static_cast<int>(r), col, item);
        }
    }
    if (rules.controls.selectedRow >= 0) filterList->selectRow(rules.controls.selectedRow);
}

void CDlgConfig::ApplyEnabling() {
    const ConfigEnabling e = rules.Enabling();
    bitRate->setEnabled(e.bitRateList);
    customRegister->setEnabled(e.customRegister);
    calculator->setEnabled(e.customRegister);
    for (QWidget* w : {static_cast<QWidget*>(filterList), static_cast<QWidget*>(filterFormat),
                       static_cast<QWidget*>(startId), static_cast<QWidget*>(add),
                       static_cast<QWidget*>(remove)})
        w->setEnabled(e.filterControls);
    endId->setEnabled(e.endId);
}

void CDlgConfig::Answer(const DeviceMessage& message) {
    ShowDeviceMessage(this, message);
}

void CDlgConfig::OnRead() {
    FromWidgets();
    DeviceMessage outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) return;
        outcome = rules.Read();
    }
    ToWidgets();
    Answer(outcome);
}

void CDlgConfig::OnConfig() {
    FromWidgets();
    DeviceMessage outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) return;
        outcome = rules.Config(rules.EditedChanges());
    }
    ToWidgets();
    Answer(outcome);
}

void CDlgConfig::OnDefault() {
    if (ShowDeviceMessage(this, CConfigDialogRules::DefaultQuestion()) != xtp_mb::kIdYes) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DeviceMessage outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) {
            QApplication::restoreOverrideCursor();
            return;
        }
        outcome = CConfigDialogRules::Default();
    }
    QApplication::restoreOverrideCursor();
    Answer(outcome);
}

void CDlgConfig::OnAdd() {
    FromWidgets();
    const auto refusal = rules.Add();
    ShowRows();
    if (refusal) Answer(*refusal);
}

void CDlgConfig::OnDelete() {
    FromWidgets();
    const auto refusal = rules.Delete();
    ShowRows();
    if (refusal) Answer(*refusal);
}

void CDlgConfig::OnTimer() {
    rules.controls.clock = clock->text().toStdString();
    if (rules.Tick()) SetText(clock, rules.controls.clock);
}

void CDlgConfig::OnCalculator() {
    CBitTimingDlg calculatorDialog(this);
    if (calculatorDialog.exec() != QDialog::Accepted) return;
    FromWidgets();
    rules.CalculatorResult(calculatorDialog.SelectedValue());
    ToWidgets();
}

bool CDlgConfig::eventFilter(QObject* watched, QEvent* event) {
    if (watched == clock) {
        if (event->type() == QEvent::FocusIn) rules.ClockFocus(true);
        if (event->type() == QEvent::FocusOut) {
            rules.ClockFocus(false);
            FromWidgets();
        }
    }
    return CBaseDlg::eventFilter(watched, event);
}

}  // namespace korvex::device
