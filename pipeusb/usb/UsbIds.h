#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pipeusb {

struct UsbId {
    std::uint16_t vendor;
    std::uint16_t product;
    bool operator==(const UsbId&) const = default;
};

// Recorder ids when PIPEUSB_USB_IDS is not set: the pid.codes test id, until
// the recorder has an id of its own.
inline constexpr std::string_view kDefaultUsbIds = "1209:0001";

// Reads "vvvv:pppp[,vvvv:pppp...]" (hexadecimal, 1 to 4 digits each); none
// when any part is malformed.
std::optional<std::vector<UsbId>> ParseUsbIds(std::string_view text);

}  // namespace pipeusb
