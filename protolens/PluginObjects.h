#pragma once

#include "protolens/CANControlUI.h"
#include "protolens/CANDataAnaly.h"
#include "protolens/PluginContext.h"

namespace protolens {

// The plug-in's objects behind its exports, built when the library is loaded
// and destroyed when it is unloaded.
CPluginContext& Context();
CCANControlUI& ControlUI();
CCANDataAnaly& DataAnaly();

}  // namespace protolens
