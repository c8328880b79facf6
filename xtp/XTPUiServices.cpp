#include "xtp/XTPUiServices.h"

namespace {

// Stands in until a program installs real services: shows nothing.
class CSilentUiServices final : public CXTPUiServices {
  public:
    int MessageBox(CWnd*, const std::string&, const std::string&, std::uint32_t) override {
        return 0;
    }
    std::uint32_t TrackPopupMenu(const XTPMenuItem&, CWnd*) override { return 0; }
    bool OpenFile(const std::string&) override { return false; }
    bool SetClipboardText(const std::string&) override { return false; }
    std::string ClipboardText() override { return {}; }
    bool SaveFileDialog(CWnd*, const XTPFileDialogRequest&, std::string&) override { return false; }
    bool OpenFileDialog(CWnd*, const XTPFileDialogRequest&, std::string&) override { return false; }
};

CSilentUiServices& Silent() {
    static CSilentUiServices silent;
    return silent;
}

CXTPUiServices* installed = nullptr;

}  // namespace

CXTPUiServices::~CXTPUiServices() = default;

CXTPUiServices& XTPUiServices() {
    return installed != nullptr ? *installed : Silent();
}

void XTPSetUiServices(CXTPUiServices* services) {
    installed = services;
}
