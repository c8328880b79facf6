#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xtp/XTPUiServices.h"

namespace korvex::test {

// User-interface services that answer from fields and record every request.
// Installed for the lifetime of the object; the silent services return after.
class FakeUiServices : public CXTPUiServices {
  public:
    struct Message {
        CWnd* owner;
        std::string text;
        std::string caption;
        std::uint32_t type;
    };
    struct Menu {
        XTPMenuItem popup;
        CWnd* owner;
    };
    struct FileDialog {
        bool save;
        CWnd* owner;
        XTPFileDialogRequest request;
    };

    FakeUiServices() { XTPSetUiServices(this); }
    ~FakeUiServices() override { XTPSetUiServices(nullptr); }
    FakeUiServices(const FakeUiServices&) = delete;
    FakeUiServices& operator=(const FakeUiServices&) = delete;

    int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override {
        messages.push_back({owner, text, caption, type});
        return messageAnswer;
    }
    std::uint32_t TrackPopupMenu(const XTPMenuItem& popup, CWnd* owner) override {
        menus.push_back({popup, owner});
        return menuAnswer;
    }
    bool OpenFile(const std::string& path) override {
        openedFiles.push_back(path);
        return openAnswer;
    }
    bool SetClipboardText(const std::string& text) override {
        clipboard = text;
        return true;
    }
    std::string ClipboardText() override { return clipboard; }
    // Answers with fileAnswer as the dialog would return it; an empty answer
    // is a cancelled dialog.
    bool SaveFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                        std::string& path) override {
        fileDialogs.push_back({true, owner, request});
        if (fileAnswer.empty()) return false;
        path = fileAnswer;
        return true;
    }
    bool OpenFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                        std::string& path) override {
        fileDialogs.push_back({false, owner, request});
        if (fileAnswer.empty()) return false;
        path = fileAnswer;
        return true;
    }

    int messageAnswer = 1;
    std::uint32_t menuAnswer = 0;
    bool openAnswer = true;
    std::string fileAnswer;

    std::vector<Message> messages;
    std::vector<Menu> menus;
    std::vector<std::string> openedFiles;
    std::vector<FileDialog> fileDialogs;
    std::string clipboard;
};

}  // namespace korvex::test
