#pragma once

#include "app/common/BaseDlg.h"

namespace korvex::device {

// The confirmation before the recorder's memory is cleared (template 141):
// "是" accepts, "否" rejects.
class CDlgSure : public name_share::CBaseDlg {
    Q_OBJECT

  public:
    explicit CDlgSure(QWidget* parent = nullptr);
};

}  // namespace korvex::device
