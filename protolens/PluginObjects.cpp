#include "protolens/PluginObjects.h"

namespace protolens {
namespace {

// One translation unit, so the context is built before the objects that use it.
CPluginContext g_context;
CCANDataAnaly g_dataAnaly(g_context);
CCANControlUI g_controlUI(g_context);

}  // namespace

CPluginContext& Context() {
    return g_context;
}

CCANControlUI& ControlUI() {
    return g_controlUI;
}

CCANDataAnaly& DataAnaly() {
    return g_dataAnaly;
}

}  // namespace protolens
