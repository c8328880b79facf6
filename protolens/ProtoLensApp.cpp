#include "protolens/ProtoLensApp.h"

namespace {

CProtoLensApp theApp;

}  // namespace

// Loading the library builds the object and runs its initialisation, as a
// host framework does for a shared-library application.
CProtoLensApp::CProtoLensApp() {
    InitInstance();
}
