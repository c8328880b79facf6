#pragma once

// Logport: the device link library, the only part of the system that talks to
// the recorder. Sixteen plain C functions; every one returns its status and
// none throws. Results are 1 for success and 0 for failure unless said
// otherwise.
//
// Calling order: LGP_OpenDevice, any number of operations, LGP_CloseDevice.
// The library takes no locks and must not be entered by two threads at once,
// with one exception: while LGP_LoadFrame runs on a worker thread, any other
// thread may call LGP_GetCurLoadCount, LGP_GetAllLoadCount and LGP_CancelLoad
// (they touch only atomic counters and the cancel flag).
//
// Arrays returned by LGP_LoadFrame and LGP_GetOrigTimeList are allocated with
// new[] and belong to the caller, which releases them with delete[].

#include <cstddef>
#include <cstdint>

#include "core/frame/CanObj.h"

#if defined(__GNUC__)
#define LGP_API __attribute__((visibility("default")))
#else
#define LGP_API
#endif

#pragma pack(push, 1)

// The recorder's base configuration, moved to and from the recorder unchanged.
struct BaseInfo {
    std::uint32_t dwTiming;        // CAN bit-timing register value the recorder uses
    std::uint32_t dwCustomFlag;    // 1 when the custom timing register is in use
    std::uint32_t dwCustomTiming;  // the timing register as shown in the custom field
    std::uint32_t dwSendInterval;  // ms between frames that the recorder sends
    std::uint32_t dwResistor;      // terminating resistor: 1 = enabled
    std::uint8_t bFilterEnable;    // 1 = the acceptance filter is in force
    std::uint8_t bMode;            // 0 = listen-only, 1 = normal
    std::uint8_t bIoOutput;        // level of the IO output, 0 or 1
    // Recorder clock, plain numbers (not BCD): century, year within century, ...
    std::uint8_t bCentury;
    std::uint8_t bYear;
    std::uint8_t bMonth;
    std::uint8_t bDay;
    std::uint8_t bHour;
    std::uint8_t bMinute;
    std::uint8_t bSecond;
};

// The acceptance filter record. Section starts and the end are byte offsets
// into bTable; the sections are, in order, standard explicit identifiers,
// standard groups, extended explicit identifiers and extended groups.
struct FilterInfo {
    std::uint32_t dwUnused;
    std::uint8_t bEnable;              // 1 when the library builds the record
    std::uint32_t dwStdExplicitStart;  // always 0
    std::uint32_t dwStdGroupStart;
    std::uint32_t dwExtExplicitStart;
    std::uint32_t dwExtGroupStart;
    std::uint32_t dwTableEnd;   // bytes of bTable in use
    std::uint8_t bTable[2048];  // bytes past dwTableEnd are 0
};

// One identifier range given to LGP_SetReference; dwStart == dwEnd names a
// single identifier.
struct FilterRange {
    std::uint32_t dwExtended;  // non-zero: 29-bit identifiers
    std::uint32_t dwStart;
    std::uint32_t dwEnd;
};

#pragma pack(pop)

static_assert(sizeof(BaseInfo) == 30);
static_assert(offsetof(BaseInfo, bFilterEnable) == 20);
static_assert(offsetof(BaseInfo, bCentury) == 23);
static_assert(offsetof(BaseInfo, bSecond) == 29);
static_assert(sizeof(FilterInfo) == 2073);
static_assert(offsetof(FilterInfo, bEnable) == 4);
static_assert(offsetof(FilterInfo, dwStdExplicitStart) == 5);
static_assert(offsetof(FilterInfo, dwTableEnd) == 21);
static_assert(offsetof(FilterInfo, bTable) == 25);
static_assert(sizeof(FilterRange) == 12);

// The device type code the program passes (the library also accepts 20).
inline constexpr std::uint32_t LGP_DEVTYPE = 21;
// LGP_SetReference operations.
inline constexpr std::uint32_t LGP_REF_ADD = 1;
inline constexpr std::uint32_t LGP_REF_CLEAR = 4;
// Number of preset frames the recorder holds.
inline constexpr std::uint32_t LGP_PRESET_FRAMES = 6;

extern "C" {

// Opens recorder devIndex (0 .. count-1) of type 20 or 21; `reserved` is ignored.
LGP_API std::uint32_t LGP_OpenDevice(std::uint32_t devType, std::uint32_t devIndex,
                                     std::uint32_t reserved);
// Closes the open recorder; 0 when type or index is wrong or no recorder is attached.
LGP_API std::uint32_t LGP_CloseDevice(std::uint32_t devType, std::uint32_t devIndex);

// Operation LGP_REF_ADD adds *range to channel (0 or 1)'s filter lists;
// LGP_REF_CLEAR empties the lists of both channels. Nothing is sent.
LGP_API std::uint32_t LGP_SetReference(std::uint32_t devType, std::uint32_t devIndex,
                                       std::uint32_t channel, std::uint32_t operation,
                                       const FilterRange* range);
// Builds the filter table from the lists and writes it to the recorder.
LGP_API std::uint32_t LGP_SetFilterInfo(std::uint32_t devType, std::uint32_t devIndex);
// Reads the recorder's filter; *info is partly filled when the table read fails.
LGP_API std::uint32_t LGP_GetFilterInfo(std::uint32_t devType, std::uint32_t devIndex,
                                        FilterInfo* info);
LGP_API std::uint32_t LGP_SetBaseInfo(std::uint32_t devType, std::uint32_t devIndex,
                                      const BaseInfo* info);
// *info is untouched on failure.
LGP_API std::uint32_t LGP_GetBaseInfo(std::uint32_t devType, std::uint32_t devIndex,
                                      BaseInfo* info);
// frames points to LGP_PRESET_FRAMES frames; a smaller count fails.
LGP_API std::uint32_t LGP_SetPreFrame(std::uint32_t devType, std::uint32_t devIndex,
                                      _VCI_CAN_OBJ* frames, std::uint32_t count);
LGP_API std::uint32_t LGP_GetPreFrame(std::uint32_t devType, std::uint32_t devIndex,
                                      _VCI_CAN_OBJ* frames, std::uint32_t count);
// Erases the recorder's recorded frames.
LGP_API std::uint32_t LGP_ClearFrame(std::uint32_t devType, std::uint32_t devIndex);
// Restores the recorder's factory configuration.
LGP_API std::uint32_t LGP_SetDefaultCfg(std::uint32_t devType, std::uint32_t devIndex);

// Uploads every recorded record; null when the record count cannot be read.
// Blocks for the whole upload. A recorder pulled out or no longer answering
// mid-upload gives the records received so far, as a cancel does, but leaves
// LGP_GetAllLoadCount at the recorder's total: that is how the caller tells
// such an upload from a complete or cancelled one.
LGP_API _VCI_CAN_OBJ* LGP_LoadFrame(std::uint32_t devType, std::uint32_t devIndex,
                                    std::uint32_t* count);
// Reads the recorder's clock record list (0..255 records); null on failure.
LGP_API _VCI_CAN_OBJ* LGP_GetOrigTimeList(std::uint32_t devType, std::uint32_t devIndex,
                                          std::uint8_t* count);
// Records received so far by the running or last upload.
LGP_API std::uint32_t LGP_GetCurLoadCount(void);
// Record total of the running upload, set once the recorder has reported it.
// 0 after an upload completes or is cancelled (and before the first one); a
// failed upload, or one cut short by a recorder pulled out or no longer
// answering, leaves it as it was.
LGP_API std::uint32_t LGP_GetAllLoadCount(void);
// Asks a running upload to stop at the next block boundary or retry.
LGP_API void LGP_CancelLoad(void);

}  // extern "C"
