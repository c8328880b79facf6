#pragma once

#include "app/common/BaseDlg.h"

namespace korvex::shell {

// The About box (dialog 100): the program icon, the version text, a line and
// the button 1; no behaviour of its own.
class CAboutDlg : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent);
};

}  // namespace korvex::shell
