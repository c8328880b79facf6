#include "app/shell/ProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "app/shell/rules/ShellIds.h"

namespace korvex::shell {

CProgressDlg::CProgressDlg(QWidget* parent)
    : CBaseDlg(res::kProgressDialog, parent),
      bar(new QProgressBar(this)),
      working(new QLabel(this)),
      count(new QLabel(this)) {
    setObjectName(QStringLiteral("ProgressDlg"));
    bar->setObjectName(QStringLiteral("progress5259"));
    bar->setTextVisible(false);
    working->setObjectName(QStringLiteral("static9008"));
    count->setObjectName(QStringLiteral("static9009"));
    working->setAlignment(Qt::AlignCenter);
    count->setAlignment(Qt::AlignCenter);
    BindCaption(working, res::kProgressWorking);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(working);
    layout->addWidget(bar);
    layout->addWidget(count);
    setMinimumWidth(320);
    Relabel();
}

void CProgressDlg::SetRange(int minimum, int maximum) {
    rangeMin = minimum;
    rangeMax = maximum;
}

void CProgressDlg::SetCountText(const QString& text) {
    countText = text;
    count->setText(countText);
}

void CProgressDlg::SetPos(int position) {
    bar->setValue(position);
}

void CProgressDlg::SetWorkingText(const QString& text) {
    working->setText(text);
}

void CProgressDlg::OnRelabel() {
    count->setText(countText);
}

void CProgressDlg::showEvent(QShowEvent* event) {
    bar->setRange(rangeMin, rangeMax);
    bar->setValue(rangeMin);
    if (closeTimer) killTimer(closeTimer);
    closeTimer = startTimer(timer::kCloseProgressMs);
    CBaseDlg::showEvent(event);
}

void CProgressDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != closeTimer) return CBaseDlg::timerEvent(event);
    if (isVisible() && bar->value() < bar->maximum()) return;
    killTimer(closeTimer);
    closeTimer = 0;
    if (isVisible()) accept();
}

}  // namespace korvex::shell
