#pragma once

#include <QStyledItemDelegate>

// Draws a cell's text on one line. The remark texts end in a line feed (and
// some start with a tab), which a one-line cell would otherwise show as an
// elided second line; the model keeps the texts as they are.
class CKorvexListDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
