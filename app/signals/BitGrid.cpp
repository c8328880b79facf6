#include "app/signals/BitGrid.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/signals/rules/BitGridLayout.h"
#include "core/discover/FieldEdit.h"

namespace korvex::signaldb {
namespace {

constexpr int kHeaderWidth = 64;
constexpr int kHeaderHeight = 22;
constexpr int kCellHeight = 34;
constexpr int kLeastCellWidth = 52;

QColor KindColor(discover::FieldKind kind) {
    switch (kind) {
        case discover::FieldKind::kCounter:
            return QColor(0x00, 0x80, 0x40);
        case discover::FieldKind::kChecksum:
            return QColor(0x80, 0x20, 0xA0);
        case discover::FieldKind::kFlag:
            return QColor(0xC0, 0x60, 0x00);
        case discover::FieldKind::kSignal:
            break;
    }
    return QColor(0x10, 0x10, 0x10);
}

}  // namespace

CBitGrid::CBitGrid(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CBitGrid::SetMessage(discover::MessageDiscovery* shown, std::vector<QString> fieldNames) {
    message = shown;
    names = std::move(fieldNames);
    selected = -1;
    hovered = -1;
    dragField = -1;
    updateGeometry();
    update();
}

void CBitGrid::SetByteFormat(const QString& format) {
    byteFormat = format;
    update();
}

void CBitGrid::SetSelectedField(int index) {
    selected = index;
    update();
}

int CBitGrid::Rows() const {
    return message ? message->key.length : 8;
}

QSize CBitGrid::sizeHint() const {
    return {kHeaderWidth + 8 * 64, kHeaderHeight + Rows() * kCellHeight + 1};
}

QSize CBitGrid::minimumSizeHint() const {
    return {kHeaderWidth + 8 * kLeastCellWidth, kHeaderHeight + Rows() * kCellHeight + 1};
}

QRect CBitGrid::CellRect(int wordBit) const {
    const int cellWidth = std::max(kLeastCellWidth, (width() - kHeaderWidth - 1) / 8);
    const BitCell c = CellOfBit(wordBit);
    return {kHeaderWidth + c.column * cellWidth, kHeaderHeight + c.row * kCellHeight, cellWidth,
            kCellHeight};
}

int CBitGrid::BitAt(QPoint point) const {
    if (!message) return -1;
    const int cellWidth = std::max(kLeastCellWidth, (width() - kHeaderWidth - 1) / 8);
    if (point.x() < kHeaderWidth || point.y() < kHeaderHeight) return -1;
    return BitOfCell((point.y() - kHeaderHeight) / kCellHeight,
                     (point.x() - kHeaderWidth) / cellWidth, message->key.length);
}

bool CBitGrid::IsFieldEnd(int field, int wordBit) const {
    if (!message || field < 0) return false;
    const discover::BitField& bits = message->fields[static_cast<std::size_t>(field)].bits;
    return wordBit == discover::FieldLsbBit(bits) || wordBit == discover::FieldMsbBit(bits);
}

void CBitGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!message) return;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    QFont bold = font();
    bold.setBold(true);
    p.setPen(palette().windowText().color());
    for (int column = 0; column < 8; ++column) {
        const QRect cell = CellRect(7 - column);
        p.drawText(QRect(cell.left(), 0, cell.width(), kHeaderHeight), Qt::AlignCenter,
                   QString::number(7 - column));
    }
    for (int row = 0; row < message->key.length; ++row) {
        const QRect cell = CellRect(8 * row + 7);
        p.drawText(QRect(0, cell.top(), kHeaderWidth - 6, kCellHeight),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QString(byteFormat).replace(QLatin1String("%s"), QString::number(row)));
    }
    p.setFont(small);
    for (int bit = 0; bit < 8 * message->key.length; ++bit) {
        const QRect cell = CellRect(bit);
        const bool constant = (message->constantBits >> bit) & 1;
        const double rate = message->FlipRate(bit);
        p.fillRect(cell, QColor::fromRgb(HeatColor(rate, constant)));
        p.setPen(QColor(0xFF, 0xFF, 0xFF));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(cell.adjusted(2, 2, -3, -2), Qt::AlignRight | Qt::AlignBottom,
                   QString::fromStdString(FlipRateText(rate, constant)));
        p.setPen(QColor(0x50, 0x50, 0x50));
        p.drawText(cell.adjusted(3, 2, -2, -2), Qt::AlignLeft | Qt::AlignBottom,
                   QString::number(bit));
    }
    for (std::size_t i = 0; i < message->fields.size(); ++i) {
        const discover::FoundField& field = message->fields[i];
        const std::uint64_t mask = discover::FieldMask(field.bits);
        const bool isSelected = static_cast<int>(i) == selected;
        QPen pen(KindColor(field.kind), isSelected ? 4 : 2);
        p.setPen(pen);
        for (int bit = 0; bit < 64; ++bit) {
            if (!((mask >> bit) & 1)) continue;
            const QRect c = CellRect(bit).adjusted(1, 1, -2, -2);
            const unsigned sides = OutlineSides(mask, bit);
            if (sides & kSideTop) p.drawLine(c.topLeft(), c.topRight());
            if (sides & kSideRight) p.drawLine(c.topRight(), c.bottomRight());
            if (sides & kSideBottom) p.drawLine(c.bottomLeft(), c.bottomRight());
            if (sides & kSideLeft) p.drawLine(c.topLeft(), c.bottomLeft());
        }
        // The name in the cell of the most significant bit.
        if (i < names.size()) {
            p.setFont(bold);
            const QRect c = CellRect(discover::FieldMsbBit(field.bits)).adjusted(4, 3, -4, -3);
            const QRect text =
                p.fontMetrics().boundingRect(c, Qt::AlignLeft | Qt::AlignTop, names[i]);
            p.fillRect(text.adjusted(-2, 0, 2, 0), QColor(255, 255, 255, 210));
            p.setPen(KindColor(field.kind));
            p.drawText(c, Qt::AlignLeft | Qt::AlignTop, names[i]);
            p.setFont(small);
        }
    }
}

void CBitGrid::Hover(int field) {
    if (field == hovered) return;
    hovered = field;
    emit fieldHovered(field);
}

void CBitGrid::mousePressEvent(QMouseEvent* event) {
    if (!message || event->button() != Qt::LeftButton) return;
    const int bit = BitAt(event->position().toPoint());
    const int field = discover::FieldAt(*message, bit);
    selected = field;
    emit fieldSelected(field);
    if (field >= 0 && IsFieldEnd(field, bit)) {
        dragField = field;
        dragEnd = bit;
        dragMoved = false;
    }
    update();
}

void CBitGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!message) return;
    const int bit = BitAt(event->position().toPoint());
    if (dragField >= 0) {
        if (bit >= 0 && bit != dragEnd &&
            discover::MoveFieldEnd(*message, dragField, dragEnd, bit)) {
            dragEnd = bit;
            dragMoved = true;
            update();
        }
        return;
    }
    const int field = discover::FieldAt(*message, bit);
    setCursor(IsFieldEnd(field, bit) ? Qt::SizeHorCursor : Qt::ArrowCursor);
    Hover(field);
}

void CBitGrid::mouseReleaseEvent(QMouseEvent*) {
    const int field = dragField;
    dragField = -1;
    if (field >= 0 && dragMoved) emit fieldEdited(field);
}

void CBitGrid::leaveEvent(QEvent*) {
    if (dragField < 0) Hover(-1);
}

}  // namespace korvex::signaldb
