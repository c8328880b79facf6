#pragma once

// The USB access library that Logport talks to the recorder through: seven
// operations over named pipes. Two back ends, chosen by PIPEUSB_BACKEND:
// "usb" (default, libusb-1.0) and "sim" (the in-process virtual recorder, see
// pipeusb_sim.h). Handles are non-zero on success.

#include <stdint.h>

#if defined(__GNUC__)
#define PIPEUSB_API __attribute__((visibility("default")))
#else
#define PIPEUSB_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Refreshes the list of attached recorders; 1 on success.
PIPEUSB_API uint32_t GetDeviceList(void);
// Number of recorders in the list last refreshed.
PIPEUSB_API uint32_t GetDevCount(void);
// Opens recorder `devIndex`; a non-zero device handle, or 0.
PIPEUSB_API uint32_t OpenDev(uint32_t devIndex);
// Opens pipe "PIPE00" ... "PIPE09" of an opened recorder; a non-zero handle, or 0.
PIPEUSB_API uint32_t OpenPipe(uint32_t devIndex, const char* pipeName);
// Closes the pipe and sets *pipe to 0.
PIPEUSB_API void ClosePipe(uint32_t* pipe);
// Closes the device and sets *dev to 0.
PIPEUSB_API void CloseDev(uint32_t* dev);
// Writes `writeLength` bytes on `writePipe`, then reads up to `readLength`
// bytes from `readPipe` into `readBuffer`. *received and *sent get the byte
// counts. 1 when both transfers completed, 0 on a time-out or error.
PIPEUSB_API uint32_t WritePipeFollowReadPipeImmediate(uint32_t readPipe, uint8_t* readBuffer,
                                                      uint32_t readLength, uint32_t* received,
                                                      uint32_t readTimeoutMs, uint32_t writePipe,
                                                      const uint8_t* writeBuffer,
                                                      uint32_t writeLength, uint32_t* sent,
                                                      uint32_t writeTimeoutMs);

#ifdef __cplusplus
}
#endif
