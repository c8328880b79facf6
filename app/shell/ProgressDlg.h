#pragma once

#include <QString>

#include "app/common/BaseDlg.h"

class QLabel;
class QProgressBar;

namespace korvex::shell {

// The upload's progress dialog (template 5134): the bar 5259, the text 9008
// and the count text 9009. Once the bar stands at its maximum, its own 500 ms
// timer closes it as if confirmed; closing it any other way rejects it.
class CProgressDlg : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    explicit CProgressDlg(QWidget* parent);

    // Taken when the dialog opens; 0..50 until set.
    void SetRange(int minimum, int maximum);
    // Stores the count text and shows it.
    void SetCountText(const QString& text);
    void SetPos(int position);
    void SetWorkingText(const QString& text);

    QProgressBar* Bar() const { return bar; }
    QString CountText() const { return countText; }

  protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void OnRelabel() override;

  private:
    QProgressBar* bar;
    QLabel* working;
    QLabel* count;
    QString countText;
    int rangeMin = 0;
    int rangeMax = 50;
    int closeTimer = 0;
};

}  // namespace korvex::shell
