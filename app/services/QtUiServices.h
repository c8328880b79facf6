#pragma once

#include "xtp/XTPUiServices.h"

namespace korvex {

// The desktop services of the windowed program: Qt message boxes, pop-up
// menus, clipboard, file dialogs and the desktop's default applications.
// Install with XTPSetUiServices once a QApplication exists.
class CQtUiServices final : public CXTPUiServices {
  public:
    int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override;
    std::uint32_t TrackPopupMenu(const XTPMenuItem& popup, CWnd* owner) override;
    bool OpenFile(const std::string& path) override;
    bool SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override;
    bool SaveFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                        std::string& path) override;
    bool OpenFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                        std::string& path) override;
};

}  // namespace korvex
