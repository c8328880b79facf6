#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/signals/SignalDecoder.h"

namespace korvex::transport {

// SPN numbers and the names of the signals that carry them, from the SPN
// attributes of J1939 databases; the first database that names one wins.
class CSpnNames {
  public:
    CSpnNames() = default;
    explicit CSpnNames(const signaldb::CSignalDecoder& decoder);
    // The signal's name, empty when no database names the SPN.
    std::string Find(std::uint32_t spn) const;
    bool Empty() const { return names.empty(); }

  private:
    std::map<std::uint32_t, std::string> names;
};

}  // namespace korvex::transport
