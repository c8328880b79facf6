#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

class CKorvexList;

// One column of the list: its caption, its width and the item index that
// chooses what its cells show.
struct CKorvexListColum {
    int itemIndex = 0;
    std::string caption;
    int width = 0;
};

// The list's virtual mode: rows are the capacity of the frame store, and each
// cell's text and colours are made when the view asks for them.
class CKorvexListModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit CKorvexListModel(CKorvexList& list);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The row count changes only here, on the user-interface thread.
    void SetRowCount(int rows);
    void AppendColumn(CKorvexListColum column);
    void RemoveAllColumns();
    void SetCaption(int column, const std::string& caption);
    // The width the lists that follow this one take for the column.
    void SetWidth(int column, int width);

    const std::vector<CKorvexListColum>& Columns() const { return columns; }

  private:
    CKorvexList& list;
    int rows = 0;
    std::vector<CKorvexListColum> columns;
};
