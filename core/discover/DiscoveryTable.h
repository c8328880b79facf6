#pragma once

#include <string>
#include <vector>

#include "core/discover/MessageDiscovery.h"

namespace korvex::discover {

// What was found, as a table for reading: a line per message with its
// frames and constant bits, then a line per field with its name, start bit
// (DBC numbering), length, byte order, sign, range seen and finding.
std::string DiscoveryTable(const std::vector<MessageDiscovery>& messages);

}  // namespace korvex::discover
