#include "app/framelist/KorvexListDelegate.h"

void CKorvexListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = option->text.trimmed();
}
