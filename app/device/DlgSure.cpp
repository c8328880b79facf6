#include "app/device/DlgSure.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/device/rules/ClearRules.h"

namespace korvex::device {

CDlgSure::CDlgSure(QWidget* parent) : CBaseDlg(kSureTemplate, parent) {
    auto* text = new QLabel(this);
    auto* yes = new QPushButton(this);
    auto* no = new QPushButton(this);
    yes->setObjectName("yes");
    no->setObjectName("no");
    yes->setDefault(true);
    BindCaption(text, kSureTextControl);
    BindCaption(yes, 1);
    BindCaption(no, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text, 0, Qt::AlignCenter);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    Relabel();
}

}  // namespace korvex::device
