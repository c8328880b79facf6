#pragma once

#include <cstdint>
#include <string>

#include "xtp/XTPResourceManager.h"
#include "xtp/XtpExport.h"

class CWnd;

// Message box type flags and results, with the values the program's texts and
// callers are written against.
namespace xtp_mb {
inline constexpr std::uint32_t kOk = 0x00;
inline constexpr std::uint32_t kOkCancel = 0x01;
inline constexpr std::uint32_t kYesNo = 0x04;
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kIconMask = 0xF0;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace xtp_mb

// File dialog flags, with the values callers are written against.
namespace xtp_ofn {
inline constexpr std::uint32_t kOverwritePrompt = 0x02;
inline constexpr std::uint32_t kHideReadOnly = 0x04;
}  // namespace xtp_ofn

// What a save or open file dialog is asked to show.
struct XTPFileDialogRequest {
    // Appended when the user types a name without extension; only the part
    // before a '|' counts ("txt||can" gives "txt").
    std::string defaultExt;
    std::string fileName;  // preselected name; may be empty
    std::uint32_t flags = 0;
    // Pairs of description and patterns, each ended by '|', the whole ended by
    // another '|': "Text File(*.txt)|*.txt|Korvex data file(*.can)|*.can||".
    std::string filter;
};

// What the program needs of the desktop. The Qt program, the console tool and
// the tests each install their own implementation.
class KORVEX_XTP_API CXTPUiServices {
  public:
    virtual ~CXTPUiServices();

    // Shows a modal message box over `owner` (may be null); returns the button
    // pressed (xtp_mb::kId…), or 0 when nothing could be shown.
    virtual int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                           std::uint32_t type) = 0;
    // Tracks `popup` (a submenu) at the cursor with `owner` as owner; returns
    // the chosen command id, or 0 when the menu was dismissed.
    virtual std::uint32_t TrackPopupMenu(const XTPMenuItem& popup, CWnd* owner) = 0;
    // Opens a file with the desktop's default application.
    virtual bool OpenFile(const std::string& path) = 0;
    virtual bool SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;
    // Modal file dialogs over `owner` (may be null). True with the chosen path
    // (the default extension added when the user typed none); false, leaving
    // `path` alone, when the user cancelled.
    virtual bool SaveFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                                std::string& path) = 0;
    virtual bool OpenFileDialog(CWnd* owner, const XTPFileDialogRequest& request,
                                std::string& path) = 0;
};

// The installed services; never null. Before anything is installed (and after
// installing null) it is a silent implementation that shows nothing, answers 0
// and refuses every request.
KORVEX_XTP_API CXTPUiServices& XTPUiServices();

// Installs `services` (not owned; it must outlive its installation). Null
// restores the silent implementation.
KORVEX_XTP_API void XTPSetUiServices(CXTPUiServices* services);
