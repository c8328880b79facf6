#include "app/resources/AppIcons.h"

#include <QtCore/qglobal.h>

static void InitIconResource() {
    Q_INIT_RESOURCE(korvex_icons);
}

namespace korvex {

void InitAppIcons() {
    InitIconResource();
}

}  // namespace korvex
