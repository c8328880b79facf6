#pragma once

// Control of the virtual recorder (the "sim" back end of PipeUsb) for tests,
// benchmarks and fuzzing. None of this exists on a real recorder.

#include <stdint.h>

#include "pipeusb.h"

#ifdef __cplusplus
extern "C" {
#endif

// Selects the back end and attached virtual recorders at run time, as
// PIPEUSB_BACKEND=sim and PIPEUSB_SIM=`recorders` would ("demo", "empty" or an
// image path, separated by ';'). Forgets open handles, pending faults and
// recorders created before. 1 on success, 0 when an image cannot be read.
PIPEUSB_API uint32_t PipeUsbSim_Configure(const char* recorders);

enum PipeUsbSimFaultKind {
    PIPEUSB_SIM_NO_REPLY = 1,    // the reply never arrives (the read times out)
    PIPEUSB_SIM_WRONG_ECHO = 2,  // byte 1 of the reply echoes another command code
    PIPEUSB_SIM_STATUS_ERROR = 3,  // bit 7 of the status byte is set (command replies)
    PIPEUSB_SIM_DELAY = 4,       // the reply comes after `delayMs`
    PIPEUSB_SIM_UNPLUG = 5       // the recorder disappears; every later exchange fails
};

typedef struct PipeUsbSimFault {
    uint32_t kind;        // PipeUsbSimFaultKind
    uint32_t device;      // index of the virtual recorder
    uint8_t command;      // command code it applies to; 0 = any command
    uint32_t skip;        // exchanges of that command to let through first
    uint32_t count;       // exchanges affected after those (ignored for UNPLUG)
    uint32_t delayMs;     // for PIPEUSB_SIM_DELAY
} PipeUsbSimFault;

// Adds a fault; faults apply in the order added. 1 on success.
PIPEUSB_API uint32_t PipeUsbSim_InjectFault(const PipeUsbSimFault* fault);
// Removes all pending faults.
PIPEUSB_API void PipeUsbSim_ClearFaults(void);
// Replaces the recorder by a script, for fuzzing the host side: each read of
// any exchange returns the next min(readLength, remaining) bytes of `bytes`
// (copied); once the script is used up no reply arrives. A null `bytes` ends
// script mode.
PIPEUSB_API void PipeUsbSim_SetReplyScript(const uint8_t* bytes, uint32_t length);
// Number of exchanges the recorder has answered or refused, per command code.
PIPEUSB_API uint32_t PipeUsbSim_ExchangeCount(uint32_t device, uint8_t command);

// A steady millisecond count; `context` is what PipeUsbSim_SetClock was given.
typedef uint64_t (*PipeUsbSimClock)(void* context);
// Replaces the time source of the recorders' clocks (which run once the host
// has set them), so that tests advance time without sleeping. A null `now`
// restores the steady system clock. Kept across PipeUsbSim_Configure.
PIPEUSB_API void PipeUsbSim_SetClock(PipeUsbSimClock now, void* context);

#ifdef __cplusplus
}
#endif
