#pragma once

#include <cstdint>

#include "core/frame/CanObj.h"
#include "share/ObjKey.h"

// The frame side of a protocol plug-in. The slot order is the plug-in
// contract; slot 0 keeps the place of an operation this plug-in does not offer.
class CDataAnalyBase {
  public:
    virtual void Reserved0(int, int, int, int) = 0;                                           // 0
    virtual int AnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count) = 0;      // 1
    virtual int AnalyPartofCANFrame(const _VCI_CAN_OBJ* frame, char** text, int column) = 0;  // 2
    virtual int OnReceiveNewCANFrame(const _VCI_CAN_OBJ* frames, int count) = 0;              // 3
    virtual int IsCanShow(const _VCI_CAN_OBJ* frame, int mode) = 0;                           // 4
    virtual int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) = 0;              // 5
    virtual int AnalyProtocolFrame(const char* const* texts, _VCI_CAN_OBJ* out) = 0;          // 6
    // Sets the trigger-fired flag to value when set is true; returns the flag.
    virtual std::uint8_t TriggerFlag(bool set, std::uint8_t value) = 0;  // 7

  protected:
    ~CDataAnalyBase() = default;
};
