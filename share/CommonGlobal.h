#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"

class CControlListBase;

// The settings object's interface. The slot order (destructor first, save and
// load last) is shared with the program, which overrides save and load.
class CCommonGlobal {
  public:
    virtual ~CCommonGlobal() = default;                                                   // 0
    virtual void CopyChannel(int to, int from) = 0;                                       // 1
    virtual void ApplyColors(CControlListBase* list, int channel) = 0;                    // 2
    virtual int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) = 0;          // 3
    virtual int ParseData(std::string_view text, _VCI_CAN_OBJ* frame, int base) = 0;      // 4
    virtual void FormatData(std::string& text, const _VCI_CAN_OBJ* frame, int base) = 0;  // 5
    virtual void SaveSettings() = 0;                                                      // 6
    virtual void LoadSettings() = 0;                                                      // 7

    // 1 once the settings were loaded; saving writes only then.
    std::int32_t loaded = 0;
};
