#pragma once

#include <string>
#include <vector>

#include "core/discover/MessageDiscovery.h"
#include "core/signals/SignalDatabase.h"

// A draft signal database from what was discovered: one message per
// identifier, its fields as signals with factor 1 and offset 0, and a comment
// on each that says what was found.
namespace korvex::discover {

// "M_123", "M_18FF0001".
std::string DraftMessageName(const MessageKey& key);
// The signal names of a message's fields, in the order of its fields:
// Counter, Checksum, S1, S2 … for signals and F1, F2 … for flags.
std::vector<std::string> DraftFieldNames(const MessageDiscovery& message);
// What the comment says of a field: "rolling counter", "checksum: CRC-8 SAE
// J1850 over bytes 0–6", "flip rate 0.5 (LSB) to 0.002 (MSB), signed".
std::string FieldFinding(const MessageDiscovery& message, const FoundField& field);
// Why a message has no fields: "too few frames (12)", "too few changes (3)";
// empty for an analysed one.
std::string StatusFinding(const MessageDiscovery& message);

// One message per identifier; of several lengths seen, the one with the
// most frames.
signaldb::DbcDatabase DraftDatabase(const std::vector<MessageDiscovery>& messages);

// The text of a database with messages, signals and comments, in the DBC
// dialect our reader reads (UTF-8).
std::string DbcText(const signaldb::DbcDatabase& database);

}  // namespace korvex::discover
