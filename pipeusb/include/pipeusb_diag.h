#pragma once

// Beyond the seven operations: what a recorder is and why it cannot be opened
// (for messages that tell the user what to do), whether an opened recorder is
// still attached, a trace of every exchange for support requests, and the
// choice of back end at run time.

#include <stdint.h>

#include "pipeusb.h"

#ifdef __cplusplus
extern "C" {
#endif

enum PipeUsbAccess {
    PIPEUSB_ACCESS_OK = 0,      // the recorder can be opened
    PIPEUSB_ACCESS_DENIED = 1,  // no permission on its device node (EACCES)
    PIPEUSB_ACCESS_BUSY = 2,    // another program holds its interface (EBUSY)
    PIPEUSB_ACCESS_GONE = 3,    // removed since the device list was read
    PIPEUSB_ACCESS_FAILED = 4   // any other failure to open it
};

typedef struct PipeUsbDevInfo {
    uint32_t access;   // PipeUsbAccess
    uint32_t bus;      // USB bus number; 0 for a virtual recorder
    uint32_t address;  // device number on that bus
    uint16_t vendor;   // USB ids
    uint16_t product;
    char location[32];  // "1-1.4": bus, then the port path, as sysfs names it
    char serial[64];    // serial number; empty when the recorder has none
} PipeUsbDevInfo;

// Describes recorder `devIndex` of the list last refreshed, trying an open
// when it is not open already. 1 on success, 0 for an index beyond the list.
PIPEUSB_API uint32_t PipeUsb_DescribeDev(uint32_t devIndex, PipeUsbDevInfo* info);

// 1 while the recorder behind device handle `dev` is attached; 0 once a
// transfer found it removed, or for a handle that is not open.
PIPEUSB_API uint32_t PipeUsb_DevAttached(uint32_t dev);

// Reads IN pipe `pipe` and throws away what comes until it has stayed quiet
// for a grace period: for a caller that found a reply which is not to its
// request, so that the next exchange starts in step. The bytes thrown away.
PIPEUSB_API uint32_t PipeUsb_DrainPipe(uint32_t pipe);

// Receives one line per transfer: direction, pipe, bytes moved of bytes asked,
// the first bytes, and why it failed.
typedef void (*PipeUsbTraceSink)(const char* line, void* context);
// Sends the trace to `sink`; a null sink ends it. PIPEUSB_TRACE=1 in the
// environment starts it on stderr.
PIPEUSB_API void PipeUsb_SetTrace(PipeUsbTraceSink sink, void* context);

// Switches to the back end `name` ("usb" or "sim") as PIPEUSB_BACKEND picks
// it at start. Handles of the other back end stay with it. 1 on success.
PIPEUSB_API uint32_t PipeUsb_SelectBackend(const char* name);

#ifdef __cplusplus
}
#endif
