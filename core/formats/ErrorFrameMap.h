#pragma once

#include <cstdint>

namespace korvex::formats {

// A Linux CAN error frame: the error class (the identifier's bits below
// CAN_ERR_FLAG) and its eight data bytes.
struct ErrorFrame {
    std::uint32_t errorClass = 0;
    std::uint8_t data[8] = {};
};

// The error frame that stands for an event record: the controller's FIFO
// overflow, warning and passive levels as controller problems, arbitration
// lost, bus error, bus off, and the span marker 0xFE as a controller restart.
// The event's sub-code rides in data byte 5, the first of the controller's
// own bytes.
ErrorFrame ErrorFrameOfEvent(std::uint8_t eventCode, std::uint8_t subCode);

// The event of a bus error, which the trace formats' error frames become.
inline constexpr std::uint8_t kBusErrorEvent = 229;

// The event code of an error frame, the most severe class first; classes
// without an event of their own count as bus errors (kBusErrorEvent).
std::uint8_t EventOfErrorFrame(const ErrorFrame& frame);

}  // namespace korvex::formats
