#include "app/analysis/ClusterRecord.h"

#include <QBrush>
#include <QColor>

CClusterRecord::CClusterRecord(const korvex::CClusterResult& result, int dataSetIndex,
                               QObject* parent)
    : QAbstractTableModel(parent), result(result), dataSetIndex(dataSetIndex) {}

void CClusterRecord::SetColumns(std::vector<std::string> newCaptions,
                                korvex::ClusterCellTextFn newCellText) {
    beginResetModel();
    captions = std::move(newCaptions);
    cellText = std::move(newCellText);
    endResetModel();
}

void CClusterRecord::SetCaptions(std::vector<std::string> newCaptions) {
    if (newCaptions.size() != captions.size()) {
        SetColumns(std::move(newCaptions), std::move(cellText));
        return;
    }
    captions = std::move(newCaptions);
    if (!captions.empty())
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(captions.size()) - 1);
}

void CClusterRecord::SetCellText(korvex::ClusterCellTextFn newCellText) {
    cellText = std::move(newCellText);
}

void CClusterRecord::Reinstall() {
    beginResetModel();
    endResetModel();
}

int CClusterRecord::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(result.RowCount());
}

int CClusterRecord::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions.size());
}

QVariant CClusterRecord::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= result.RowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
            if (!cellText) return {};
            result.RowText(row, index.column(), cellText, text);
            return QString::fromStdString(text);
        case Qt::ForegroundRole:
            if (result.Highlighted(row)) return QBrush(QColor::fromRgb(kHighlightText));
            return {};
        case Qt::BackgroundRole:
            if (result.Highlighted(row)) return QBrush(QColor::fromRgb(kHighlightBack));
            return {};
        default:
            return {};
    }
}

QVariant CClusterRecord::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        static_cast<std::size_t>(section) >= captions.size())
        return {};
    return QString::fromStdString(captions[static_cast<std::size_t>(section)]);
}
