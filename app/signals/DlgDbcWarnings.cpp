#include "app/signals/DlgDbcWarnings.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/common/rules/NumberedFormat.h"
#include "app/signals/rules/SignalIds.h"
#include "xtp/XTPUiServices.h"

namespace korvex::signaldb {
namespace {

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
}

}  // namespace

CDlgDbcWarnings::CDlgDbcWarnings(DatabaseWarnings w, QWidget* parent)
    : CBaseDlg(ids::kWarningsDialog, parent),
      warned(std::move(w)),
      head(new QLabel(this)),
      list(new QPlainTextEdit(this)) {
    head->setWordWrap(true);
    list->setObjectName(QString::number(ids::kWarnList));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setPlainText(QString::fromStdString(JoinedLines(warned.warnings)));
    auto* copyButton = new QPushButton(this);
    auto* closeButton = new QPushButton(this);
    BindCaption(copyButton, ids::kWarnCopy);
    BindCaption(closeButton, ids::kWarnClose);
    closeButton->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(head, 0, 0, 1, 3);
    grid->addWidget(list, 1, 0, 1, 3);
    grid->addWidget(copyButton, 2, 1);
    grid->addWidget(closeButton, 2, 2);
    grid->setColumnStretch(0, 1);
    connect(copyButton, &QPushButton::clicked, this, &CDlgDbcWarnings::OnCopy);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    resize(720, 320);
    Relabel();
}

void CDlgDbcWarnings::OnRelabel() {
    head->setText(QString::fromStdString(FormatString(ids::kStrWarningsHead, warned.path.c_str(),
                                                      static_cast<int>(warned.warnings.size()))));
}

void CDlgDbcWarnings::OnCopy() {
    XTPUiServices().SetClipboardText(JoinedLines(warned.warnings));
}

}  // namespace korvex::signaldb
