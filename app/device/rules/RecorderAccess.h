#pragma once

// Why a recorder that is attached cannot be opened, and what the user can do
// about it: install the udev rule when the device node is not theirs, close
// the other program when one holds the recorder.

#include <cstdint>
#include <optional>
#include <string>

#include "app/device/rules/DeviceTexts.h"

namespace korvex::device {

struct RecorderProblem {
    std::uint32_t access;  // PIPEUSB_ACCESS_DENIED or PIPEUSB_ACCESS_BUSY
    std::uint32_t bus;     // where it is, as lsusb shows it
    std::uint32_t address;
};

// The problem of recorder `devIndex` when it is attached but refused
// (permission) or held by another program; none when it is not there or
// opens. Reads the device list again and may try to open the recorder; takes
// no texts, so a worker thread may ask.
std::optional<RecorderProblem> FindRecorderProblem(std::uint32_t devIndex);

// What to do about `problem`, in the current language.
std::string RecorderProblemText(const RecorderProblem& problem);

// `failure`, then on a line of its own what to do when recorder `devIndex`
// is attached but refused or held.
std::string WithRecorderProblem(const std::string& failure, std::uint32_t devIndex);

// What a dialog says after an action on recorder `devIndex`: "操作成功", or
// "操作失败" and what to do when the recorder is refused or held.
DeviceMessage DoneOrFailed(bool done, std::uint32_t devIndex);

}  // namespace korvex::device
