#pragma once

#include <cstdint>

// The window the plug-in reports to. The program implements it on top of its
// own event loop; the plug-in only posts and never waits for an answer.
class IMessageWindow {
  public:
    virtual void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;

  protected:
    ~IMessageWindow() = default;
};

namespace protolens {

// Messages the plug-in posts when a trigger fires.
inline constexpr unsigned kMsgTriggerSend = 1129;  // wParam: send list, lParam: channel
inline constexpr unsigned kMsgTriggerFile = 1131;  // wParam: channel, lParam: trigger index

}  // namespace protolens
