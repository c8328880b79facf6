#pragma once

#include <cstdint>

// Tells an object which settings object (device index 0…7) and which channel
// inside it it works on. Both start at 0.
class CCommonProp {
  public:
    virtual ~CCommonProp() = default;

    void SetDevInd(std::int32_t index) { iDevInd = index; }
    void SetCANInd(std::int32_t index) { iCANInd = index; }
    std::int32_t GetDevInd() const { return iDevInd; }
    std::int32_t GetCANInd() const { return iCANInd; }

  protected:
    std::int32_t iDevInd = 0;
    std::int32_t iCANInd = 0;
};
