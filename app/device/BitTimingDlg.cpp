#include "app/device/BitTimingDlg.h"

#include <QCheckBox>
#include <QColor>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/device/DeviceDialogSupport.h"

namespace korvex::device {
namespace {

enum Control {
    kOk = 1,
    kCancel = 2,
    kSpinClock = 1093,
    kSpinRate = 1094,
    kResultList = 1097,
    kCalculate = 1098,
    kEditClock = 1100,
    kEditSjw = 1101,
    kTriple = 1102,
    kEditRate = 1103,
    kRule = 1113,
    kLabelClock = 1201,
    kUnitMHz = 1202,
    kLabelRate = 1203,
    kUnitBps = 1204,
    kLabelSjw = 1205,
    kPlusOne = 1206,
};

constexpr int kColumnWidths[kBitTimingColumns] = {96, 54, 48, 54, 48};
constexpr Qt::Alignment kColumnAlignment[kBitTimingColumns] = {
    Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
    Qt::AlignRight | Qt::AlignVCenter, Qt::AlignRight | Qt::AlignVCenter};

QColor FromColorRef(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// 22 x 14 images: a plain ring for any value, a filled green disc with a
// tick for a value of the bit-rate table.
QIcon RowIcon(bool standard) {
    QPixmap pixmap(22, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (standard) {
        p.setPen(QPen(QColor(30, 120, 40), 1));
        p.setBrush(QColor(60, 170, 70));
        p.drawEllipse(QRectF(5.5, 1.5, 11, 11));
        p.setPen(QPen(Qt::white, 1.6));
        p.drawPolyline(QPolygonF({QPointF(8, 7), QPointF(10.2, 9.5), QPointF(14, 4.5)}));
    } else {
        p.setPen(QPen(QColor(150, 150, 150), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(7.5, 3.5, 7, 7));
    }
    return QIcon(pixmap);
}

}  // namespace

CBitTimingModel::CBitTimingModel(const CBitTimingRules& rules, QObject* parent)
    : QAbstractTableModel(parent),
      rules(rules),
      iconOther(RowIcon(false)),
      iconStandard(RowIcon(true)) {
    Relabel();
}

int CBitTimingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rules.Results().size());
}

int CBitTimingModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kBitTimingColumns);
}

QVariant CBitTimingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::size_t row = static_cast<std::size_t>(index.row());
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(rules.RowTexts(row)[static_cast<std::size_t>(column)]);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(kColumnAlignment[column]);
        case Qt::DecorationRole:
            if (column == 0) return rules.RowIsStandard(row) ? iconStandard : iconOther;
            return {};
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            const BitTimingRowColour colour = rules.RowColour(row);
            if (colour == BitTimingRowColour::kNormal) return {};
            return role == Qt::BackgroundRole ? QColor(FromColorRef(BitTimingRowBackground(colour)))
                                              : QColor(Qt::black);
        }
        default:
            return {};
    }
}

QVariant CBitTimingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(kBitTimingColumns))
        return {};
    if (role == Qt::DisplayRole) return captions[static_cast<std::size_t>(section)];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(kColumnAlignment[section]);
    return {};
}

void CBitTimingModel::Refresh() {
    beginResetModel();
    endResetModel();
}

void CBitTimingModel::Relabel() {
    const auto texts = BitTimingCaptions();
    for (std::size_t i = 0; i < texts.size(); ++i) captions[i] = ToQString(texts[i]);
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kBitTimingColumns) - 1);
}

CBitTimingDlg::CBitTimingDlg(QWidget* parent)
    : CBaseDlg(5135, parent),
      model(new CBitTimingModel(rules, this)),
      list(new QTableView(this)),
      triple(new QCheckBox(this)),
      rule(new QCheckBox(this)),
      clock(new QDoubleSpinBox(this)),
      rate(new QSpinBox(this)),
      sjw(new QSpinBox(this)) {
    const BitTimingInput defaults;
    clock->setObjectName("clock");
    clock->setRange(0.0, kMaxClockMHz);
    clock->setDecimals(kClockDecimals);
    clock->setValue(defaults.clockMHz);
    rate->setObjectName("rate");
    rate->setRange(0, static_cast<int>(kMaxDesiredRate));
    rate->setValue(static_cast<int>(defaults.desiredRate));
    sjw->setObjectName("sjw");
    sjw->setRange(0, static_cast<int>(kMaxSjwRegister));
    sjw->setValue(static_cast<int>(defaults.sjwRegister));
    triple->setObjectName("triple");
    triple->setChecked(defaults.tripleSampling);
    rule->setObjectName("rule");
    rule->setChecked(defaults.tseg2AtLeastSjw);
    BindCaption(triple, kTriple);
    BindCaption(rule, kRule);

    auto* fields = new QGridLayout;
    const auto label = [this](int id) {
        auto* l = new QLabel(this);
        BindCaption(l, id);
        return l;
    };
    fields->addWidget(label(kLabelClock), 0, 0);
    fields->addWidget(clock, 0, 1);
    fields->addWidget(label(kUnitMHz), 0, 2);
    fields->addWidget(label(kLabelRate), 1, 0);
    fields->addWidget(rate, 1, 1);
    fields->addWidget(label(kUnitBps), 1, 2);
    fields->addWidget(label(kLabelSjw), 2, 0);
    fields->addWidget(sjw, 2, 1);
    fields->addWidget(label(kPlusOne), 2, 2);

    auto* calculate = new QPushButton(this);
    calculate->setObjectName("calculate");
    BindCaption(calculate, kCalculate);
    auto* checks = new QVBoxLayout;
    checks->addWidget(triple);
    checks->addWidget(rule);
    checks->addStretch();
    checks->addWidget(calculate);

    auto* top = new QHBoxLayout;
    top->addLayout(fields);
    top->addSpacing(16);
    top->addLayout(checks);
    top->addStretch();

    list->setObjectName("results");
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->setIconSize(QSize(22, 14));
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(20);
    list->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    BindCaption(ok, kOk);
    BindCaption(cancel, kCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);

    connect(calculate, &QPushButton::clicked, this, &CBitTimingDlg::Calculate);
    connect(list, &QTableView::clicked, this, [this](const QModelIndex& index) {
        rules.ClickRow(static_cast<std::size_t>(index.row()));
    });
    connect(list, &QTableView::activated, this, [this](const QModelIndex& index) {
        rules.ClickRow(static_cast<std::size_t>(index.row()));
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Relabel();
    Calculate();
}

void CBitTimingDlg::Calculate() {
    clock->interpretText();
    rate->interpretText();
    sjw->interpretText();
    rules.input.clockMHz = clock->value();
    rules.input.desiredRate = static_cast<std::uint32_t>(rate->value());
    rules.input.sjwRegister = static_cast<std::uint32_t>(sjw->value());
    rules.input.tseg2AtLeastSjw = rule->isChecked();
    rules.input.tripleSampling = triple->isChecked();
    rules.Calculate();
    model->Refresh();
}

void CBitTimingDlg::OnRelabel() {
    model->Relabel();
    // Each column is as wide as its caption needs, at least its usual width.
    QHeaderView* header = list->horizontalHeader();
    int listWidth = 0;
    for (int i = 0; i < static_cast<int>(kBitTimingColumns); ++i) {
        const int width = std::max(kColumnWidths[i] * 3 / 2, header->sectionSizeHint(i));
        list->setColumnWidth(i, width);
        listWidth += width;
    }
    // Room for every column and the vertical scroll bar.
    list->setMinimumSize(listWidth + 2 * list->frameWidth() +
                             list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
                         260);
}

}  // namespace korvex::device
