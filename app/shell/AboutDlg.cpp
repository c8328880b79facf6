#include "app/shell/AboutDlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvex::shell {
namespace {

constexpr int kIdVersionText = 21100;  // the static text with the version
constexpr int kIdOk = 1;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CBaseDlg(100, parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/korvex.svg")).pixmap(48, 48));
    auto* version = new QLabel(this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    BindCaption(version, kIdVersionText);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* ok = new QPushButton(this);
    ok->setDefault(true);
    BindCaption(ok, kIdOk);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addWidget(version, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    setMinimumWidth(300);
    Relabel();
}

}  // namespace korvex::shell
