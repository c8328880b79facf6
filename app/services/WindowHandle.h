#pragma once

#include <QWidget>

#include "share/WinTypes.h"

namespace korvex {

// The one mapping between the opaque window handle that crosses the program's
// interfaces and the Qt widget behind it: a CWnd* is the widget's address.
inline QWidget* ToWidget(CWnd* window) {
    return reinterpret_cast<QWidget*>(window);
}

inline CWnd* ToCWnd(QWidget* widget) {
    return reinterpret_cast<CWnd*>(widget);
}

}  // namespace korvex
