#pragma once

#include <cstdint>

namespace korvex::device {

// One device action: the recorder is opened on construction and closed on the
// way out, also after a failed open, as the program does for every action.
class CDeviceSession {
  public:
    explicit CDeviceSession(std::uint32_t index);
    ~CDeviceSession();
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;

    bool Opened() const { return opened; }
    std::uint32_t Index() const { return index; }

  private:
    std::uint32_t index;
    bool opened;
};

}  // namespace korvex::device
