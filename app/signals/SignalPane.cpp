#include "app/signals/SignalPane.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/signals/rules/SignalIds.h"
#include "app/signals/rules/SignalPaneRows.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::signaldb {
namespace {

QString Text(std::uint32_t id) {
    return QString::fromStdString(XTPLoadString(id));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CSignalPane::CSignalPane(QWidget* parent)
    : CBaseDlg(ids::kPaneDialog, parent), message(new QLabel(this)), rows(new QTreeWidget(this)) {
    setWindowFlags(Qt::Widget);
    message->setObjectName(QString::number(ids::kPaneMessageLabel));
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    rows->setColumnCount(5);
    rows->setRootIsDecorated(false);
    rows->setUniformRowHeights(true);
    rows->setAlternatingRowColors(true);
    rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    rows->header()->setStretchLastSection(true);
    rows->header()->setSectionResizeMode(QHeaderView::Interactive);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(message);
    layout->addWidget(rows, 1);
    decoder = std::make_shared<CSignalDecoder>();
    Relabel();
}

void CSignalPane::SetDecoder(std::shared_ptr<const CSignalDecoder> d) {
    decoder = std::move(d);
    Refresh();
}

void CSignalPane::ShowFrame(const std::optional<_VCI_CAN_OBJ>& f) {
    frame = f;
    Refresh();
}

void CSignalPane::OnRelabel() {
    rows->setHeaderLabels({Text(ids::kStrColumnName), Text(ids::kStrColumnValue),
                           Text(ids::kStrColumnUnit), Text(ids::kStrColumnRaw),
                           Text(ids::kStrColumnText)});
    Refresh();
}

void CSignalPane::Refresh() {
    rows->clear();
    if (decoder == nullptr || decoder->Empty()) {
        message->setText(Text(ids::kStrNoDatabase));
        return;
    }
    if (!frame) {
        message->setText(Text(ids::kStrNoFrame));
        return;
    }
    const SignalPaneContent content = SignalPaneRows(*decoder, *frame);
    if (content.message.empty()) {
        message->setText(Text(ids::kStrNoMessage));
        return;
    }
    message->setText(Q(content.message));
    QList<QTreeWidgetItem*> items;
    for (const SignalPaneRow& row : content.rows) {
        auto* item = new QTreeWidgetItem(
            QStringList{Q(row.name), Q(row.value), Q(row.unit), Q(row.raw), Q(row.text)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        if (!row.comment.empty())
            for (int c = 0; c < 5; ++c) item->setToolTip(c, Q(row.comment));
        items << item;
    }
    rows->addTopLevelItems(items);
    // A message has a few dozen signals at most: sizing them costs nothing.
    for (int c = 0; c < 4; ++c) rows->resizeColumnToContents(c);
}

}  // namespace korvex::signaldb
