#include "app/framelist/KorvexListModel.h"

#include <QBrush>
#include <QColor>

#include "app/framelist/KorvexList.h"

namespace {

QColor ToColor(COLORREF color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

CKorvexListModel::CKorvexListModel(CKorvexList& list) : QAbstractTableModel(&list), list(list) {}

int CKorvexListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int CKorvexListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns.size());
}

QVariant CKorvexListModel::data(const QModelIndex& index, int role) const {
    QModelRoleData roleData(role);
    multiData(index, QModelRoleDataSpan(roleData));
    return roleData.data();
}

void CKorvexListModel::multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const {
    for (QModelRoleData& roleData : roleDataSpan) roleData.clearData();
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return;
    bool wanted = false;
    for (const QModelRoleData& roleData : roleDataSpan) {
        const int role = roleData.role();
        wanted = wanted || role == Qt::DisplayRole || role == Qt::ForegroundRole ||
                 role == Qt::BackgroundRole;
    }
    if (!wanted) return;
    // One copy of the frame serves every role the view asks for at once; a row
    // without a frame stays empty in the view's own colours.
    const int itemIndex = columns[static_cast<std::size_t>(index.column())].itemIndex;
    _VCI_CAN_OBJ frame;
    CKorvexListCell cell;
    if (!list.Record().Cell(index.row(), itemIndex, list.CellContext(), frame, cell)) return;
    for (QModelRoleData& roleData : roleDataSpan) {
        switch (roleData.role()) {
            case Qt::DisplayRole:
                roleData.setData(
                    QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())));
                break;
            case Qt::ForegroundRole:
                roleData.setData(QBrush(ToColor(cell.foreColor)));
                break;
            case Qt::BackgroundRole:
                roleData.setData(QBrush(ToColor(cell.backColor)));
                break;
            default:
                break;
        }
    }
}

QVariant CKorvexListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(columns.size()))
        return {};
    return QString::fromStdString(columns[static_cast<std::size_t>(section)].caption);
}

void CKorvexListModel::SetRowCount(int count) {
    beginResetModel();
    rows = std::max(count, 0);
    endResetModel();
}

void CKorvexListModel::AppendColumn(CKorvexListColum column) {
    const int at = static_cast<int>(columns.size());
    beginInsertColumns({}, at, at);
    columns.push_back(std::move(column));
    endInsertColumns();
}

void CKorvexListModel::RemoveAllColumns() {
    if (columns.empty()) return;
    beginRemoveColumns({}, 0, static_cast<int>(columns.size()) - 1);
    columns.clear();
    endRemoveColumns();
}

void CKorvexListModel::SetWidth(int column, int width) {
    if (column < 0 || column >= static_cast<int>(columns.size())) return;
    columns[static_cast<std::size_t>(column)].width = width;
}

void CKorvexListModel::SetCaption(int column, const std::string& caption) {
    if (column < 0 || column >= static_cast<int>(columns.size())) return;
    columns[static_cast<std::size_t>(column)].caption = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}
