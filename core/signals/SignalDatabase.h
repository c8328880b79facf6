#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A signal database (DBC) as it was read: messages, their signals, value
// tables, comments and attributes. Plain data; the decoder compiles it.
namespace korvex::signaldb {

enum class ByteOrder : std::uint8_t { kIntel, kMotorola };
enum class ValueType : std::uint8_t { kInteger, kFloat, kDouble };

// Raw values from..to, both included.
struct MuxRange {
    std::int64_t from = 0;
    std::int64_t to = 0;
    bool operator==(const MuxRange&) const = default;
};

// Raw value → text, sorted by value, one text per value.
using ValueTable = std::vector<std::pair<std::int64_t, std::string>>;

// Attribute values as the file writes them: a string without its quotes, a
// number as its text, an enumeration as its chosen text.
using AttributeValues = std::map<std::string, std::string>;

struct DbcSignal {
    std::string name;
    // Intel: the least significant bit, counted from bit 0 of byte 0 upwards.
    // Motorola: the most significant bit, in the same numbering (bit 7 of a
    // byte is its most significant bit, byte 1 follows byte 0).
    int startBit = 0;
    int length = 0;  // 1 to 64 bits
    ByteOrder byteOrder = ByteOrder::kIntel;
    bool isSigned = false;
    ValueType valueType = ValueType::kInteger;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers;

    // Multiplexing. A multiplexor ("M", or "mNM" when it is itself
    // multiplexed) selects signals by its raw value; a multiplexed signal
    // ("mN") is present only while its multiplexor holds one of muxRanges.
    bool isMultiplexor = false;
    bool isMultiplexed = false;
    int multiplexor = -1;  // index in the message's signals, once resolved
    std::vector<MuxRange> muxRanges;
    std::string muxTag;        // "M", "mN" or "mNM" as the signal line writes it
    bool extendedMux = false;  // the selection comes from an SG_MUL_VAL_ line

    ValueTable values;
    std::string comment;
    AttributeValues attributes;
    std::optional<double> startValue;  // GenSigStartValue, raw
    int line = 0;                      // where the signal is defined
};

struct DbcMessage {
    std::uint32_t id = 0;  // 11 or 29 bits, without the extended mark
    bool extended = false;
    std::string name;
    int length = 0;  // bytes
    std::string sender;
    std::vector<std::string> transmitters;  // BO_TX_BU_
    std::vector<DbcSignal> signalList;
    std::string comment;
    AttributeValues attributes;
    std::string frameFormat;       // VFrameFormat, e.g. "StandardCAN" or "J1939PG"
    std::optional<int> cycleTime;  // GenMsgCycleTime, ms
    bool j1939 = false;            // matched by parameter group number
    int line = 0;

    // The identifier as the file writes it: bit 31 marks an extended one.
    std::uint32_t FileId() const { return extended ? (id | 0x80000000u) : id; }
    const DbcSignal* FindSignal(const std::string& signalName) const;
};

enum class AttributeObject : std::uint8_t { kDatabase, kNode, kMessage, kSignal, kEnvironment };

struct AttributeDefinition {
    AttributeObject object = AttributeObject::kDatabase;
    std::string type;  // INT, HEX, FLOAT, STRING or ENUM
    std::vector<std::string> enumValues;
    std::optional<std::string> defaultValue;
};

struct DbcNode {
    std::string name;
    std::string comment;
    AttributeValues attributes;
};

struct DbcDatabase {
    std::string version;
    std::vector<DbcNode> nodes;
    std::vector<DbcMessage> messages;               // in file order, no two with one identifier
    std::map<std::string, ValueTable> valueTables;  // VAL_TABLE_
    std::map<std::string, AttributeDefinition> attributeDefinitions;
    AttributeValues attributes;  // of the database itself
    std::string comment;

    const DbcMessage* FindMessage(std::uint32_t id, bool extended) const;
};

// The text a value table gives a raw value; nullptr when it has none.
const std::string* ValueText(const ValueTable& table, std::int64_t raw);

}  // namespace korvex::signaldb
