#include <gtest/gtest.h>

#include <random>
#include <string_view>

#include "core/discover/Discover.h"
#include "core/discover/DraftDbc.h"
#include "core/discover/FieldEdit.h"
#include "core/signals/DbcReader.h"
#include "core/signals/SignalDecoder.h"
#include "tests/support/KnownLayoutTraffic.h"

namespace korvex::discover {
namespace {

TEST(DiscoverTest, ChecksumsGiveTheirCatalogueCheckValues) {
    const std::string_view text = "123456789";
    const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size()};
    EXPECT_EQ(Checksum8(ChecksumAlgorithm::kCrc8SaeJ1850, bytes), 0x4B);
    EXPECT_EQ(Checksum8(ChecksumAlgorithm::kCrc8H2F, bytes), 0xDF);
    EXPECT_EQ(Checksum8(ChecksumAlgorithm::kSum, bytes), 0xDD);
    EXPECT_EQ(Checksum8(ChecksumAlgorithm::kXor, bytes), 0x31);
    EXPECT_EQ(Checksum8(ChecksumAlgorithm::kCrc8SaeJ1850, {}), 0x00);
}

// Fields read as the decoder reads the DBC signals they become.
TEST(DiscoverTest, FieldsReadAsTheDecoderReadsTheirSignals) {
    std::mt19937 random(7);
    signaldb::DbcDatabase database;
    signaldb::DbcMessage message;
    message.id = 0x100;
    message.name = "M";
    message.length = 8;
    std::vector<BitField> fields;
    while (fields.size() < 200) {
        const BitField field{random() % 2 ? ByteOrder::kMotorola : ByteOrder::kIntel,
                             static_cast<int>(random() % 64), static_cast<int>(1 + random() % 20)};
        if (!FieldFits(field, 8)) continue;
        const BitField back = FieldFromDbc(field.order, DbcStartBit(field), field.length);
        ASSERT_EQ(back, field);
        signaldb::DbcSignal signal;
        signal.name = "S" + std::to_string(fields.size());
        signal.startBit = DbcStartBit(field);
        signal.length = field.length;
        signal.byteOrder = field.order;
        signal.isSigned = fields.size() % 2 == 1;
        message.signalList.push_back(signal);
        fields.push_back(field);
    }
    database.messages.push_back(message);
    const signaldb::CSignalDecoder decoder(
        {std::make_shared<const signaldb::DbcDatabase>(std::move(database))});
    for (int n = 0; n < 50; ++n) {
        _VCI_CAN_OBJ frame{};
        frame.ID = 0x100;
        frame.DataLen = 8;
        for (std::uint8_t& b : frame.Data) b = static_cast<std::uint8_t>(random());
        std::uint64_t word;
        std::memcpy(&word, frame.Data, sizeof word);
        const signaldb::CompiledMessage* compiled = decoder.Find(frame);
        ASSERT_NE(compiled, nullptr);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            signaldb::DecodedSignal decoded;
            ASSERT_TRUE(decoder.DecodeOne(*compiled, static_cast<int>(i), frame, decoded));
            const std::uint64_t raw = FieldRaw(fields[i], word);
            const auto expected =
                i % 2 ? static_cast<std::uint64_t>(SignExtend(raw, fields[i].length)) : raw;
            EXPECT_EQ(decoded.raw, expected) << i;
        }
    }
}

_VCI_CAN_OBJ Frame(std::uint32_t id, std::uint8_t length, std::uint8_t first) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.DataLen = length;
    f.Data[0] = first;
    return f;
}

TEST(DiscoverTest, SaysWhenFramesOrChangesAreTooFewAndSkipsWhatCarriesNoData) {
    std::vector<_VCI_CAN_OBJ> frames;
    for (int i = 0; i < 200; ++i) {
        frames.push_back(Frame(0x10, 8, static_cast<std::uint8_t>(i)));  // a counter
        frames.push_back(Frame(0x20, 4, 0x55));                          // never changes
        if (i < 49) frames.push_back(Frame(0x30, 2, static_cast<std::uint8_t>(i)));
        _VCI_CAN_OBJ remote = Frame(0x40, 8, 1);
        remote.RemoteFlag = 1;
        _VCI_CAN_OBJ event = Frame(0, 8, 1);
        event.Reserved[0] = 225;
        frames.push_back(remote);
        frames.push_back(event);
        frames.push_back(Frame(0x50, 0, 0));
        frames.push_back(Frame(0x800, 8, static_cast<std::uint8_t>(i)));  // no 11-bit id
    }
    std::vector<MessageDiscovery> found;
    ASSERT_TRUE(DiscoverMessages(frames, {}, {}, found));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].key, (MessageKey{0x10, false, 8}));
    EXPECT_EQ(found[0].status, DiscoveryStatus::kAnalysed);
    ASSERT_EQ(found[0].fields.size(), 1u);
    EXPECT_EQ(found[0].fields[0].kind, FieldKind::kCounter);
    EXPECT_EQ(found[0].fields[0].bits, (BitField{ByteOrder::kIntel, 0, 8}));
    EXPECT_EQ(found[0].constantBits, ~std::uint64_t{0xFF});
    EXPECT_EQ(found[0].flips[0], 199);
    EXPECT_EQ(found[0].ones[7], 72);
    EXPECT_EQ(found[1].status, DiscoveryStatus::kTooFewChanges);
    EXPECT_EQ(found[1].constantBits, 0xFFFFFFFFu);
    EXPECT_EQ(found[1].ones[0], 200);
    EXPECT_EQ(found[2].status, DiscoveryStatus::kTooFewFrames);
    EXPECT_EQ(StatusFinding(found[2]), "too few frames (49)");
    EXPECT_TRUE(found[2].fields.empty());

    DiscoverOptions options;
    options.ids = {0x30};
    options.minFrames = 40;
    ASSERT_TRUE(DiscoverMessages(frames, options, {}, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].status, DiscoveryStatus::kAnalysed);
}

// The split over cores gives the result of one pass in frame order.
TEST(DiscoverTest, RecordingPassOnAllCoresMatchesOneThread) {
    test::CKnownTraffic traffic(5, 12);
    const std::vector<_VCI_CAN_OBJ> frames = traffic.Frames(700);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reserve(static_cast<int>(frames.size()));
    for (const _VCI_CAN_OBJ& f : frames) store.Push(f);
    PassSplit one;
    one.threads = 1;
    PassSplit many;
    many.threads = 4;
    many.blockItems = 333;
    std::vector<MessageDiscovery> single;
    std::vector<MessageDiscovery> split;
    ASSERT_TRUE(DiscoverMessages(frames, {}, one, single));
    ASSERT_TRUE(DiscoverMessages(store.View(), {}, many, split));
    ASSERT_EQ(single.size(), split.size());
    for (std::size_t i = 0; i < single.size(); ++i) {
        EXPECT_EQ(single[i].flips, split[i].flips);
        EXPECT_EQ(single[i].ones, split[i].ones);
        ASSERT_EQ(single[i].fields.size(), split[i].fields.size());
        for (std::size_t f = 0; f < single[i].fields.size(); ++f)
            EXPECT_EQ(single[i].fields[f].bits, split[i].fields[f].bits);
    }
}

// The draft reads back with our reader, and its signals decode the values
// that were found.
TEST(DiscoverTest, DraftDatabaseReadsBackAndDecodesTheFoundValues) {
    test::CKnownTraffic traffic(11, 10);
    const std::vector<_VCI_CAN_OBJ> frames = traffic.Frames(600);
    std::vector<MessageDiscovery> found;
    ASSERT_TRUE(DiscoverMessages(frames, {}, {}, found));
    const std::string text = DbcText(DraftDatabase(found));
    auto database = std::make_shared<signaldb::DbcDatabase>();
    signaldb::DbcError error;
    ASSERT_TRUE(signaldb::ParseDbcText(text, *database, error))
        << error.line << error.reason << text;
    ASSERT_EQ(database->messages.size(), found.size());
    EXPECT_NE(text.find("CM_ SG_ "), std::string::npos);
    const signaldb::CSignalDecoder decoder({database});
    for (const _VCI_CAN_OBJ& frame : frames) {
        const signaldb::CompiledMessage* message = decoder.Find(frame);
        ASSERT_NE(message, nullptr);
        const auto m = std::find_if(found.begin(), found.end(), [&](const MessageDiscovery& d) {
            return d.key.id == frame.ID;
        });
        ASSERT_EQ(message->signalList.size(), m->fields.size());
        std::uint64_t word;
        std::memcpy(&word, frame.Data, sizeof word);
        for (std::size_t i = 0; i < m->fields.size(); ++i) {
            const FoundField& field = m->fields[i];
            signaldb::DecodedSignal decoded;
            ASSERT_TRUE(decoder.DecodeOne(*message, static_cast<int>(i), frame, decoded));
            const std::uint64_t raw = FieldRaw(field.bits, word);
            const double value = field.isSigned
                                     ? static_cast<double>(SignExtend(raw, field.bits.length))
                                     : static_cast<double>(raw);
            ASSERT_EQ(decoded.value, value);
            EXPECT_GE(value, field.minimum);
            EXPECT_LE(value, field.maximum);
        }
    }
}

// Dragging a field's ends and flipping its byte order keep the fields apart
// and inside the message.
TEST(DiscoverTest, EditsKeepFieldsApartAndInside) {
    MessageDiscovery m;
    m.key.length = 4;
    FoundField a;  // Intel bits 4..11
    a.bits = {ByteOrder::kIntel, 4, 8};
    FoundField b;  // Motorola, most significant bit 23 (byte 2 bit 7), to byte 3 bit 4
    b.bits = FieldFromDbc(ByteOrder::kMotorola, 23, 12);
    m.fields = {a, b};
    EXPECT_EQ(FieldAt(m, 4), 0);
    EXPECT_EQ(FieldAt(m, 3), -1);
    EXPECT_EQ(FieldAt(m, 28), 1);
    EXPECT_EQ(FieldAt(m, 27), -1);

    EXPECT_TRUE(MoveFieldEnd(m, 0, 11, 14));  // the most significant end up
    EXPECT_EQ(m.fields[0].bits, (BitField{ByteOrder::kIntel, 4, 11}));
    EXPECT_TRUE(MoveFieldEnd(m, 0, 4, 0));  // the least significant end down
    EXPECT_EQ(m.fields[0].bits, (BitField{ByteOrder::kIntel, 0, 15}));
    EXPECT_FALSE(MoveFieldEnd(m, 0, 5, 6));    // no end of the field
    EXPECT_FALSE(MoveFieldEnd(m, 0, 14, 17));  // into field 1
    EXPECT_FALSE(MoveFieldEnd(m, 0, 0, 15));   // past the other end
    EXPECT_EQ(m.fields[0].bits, (BitField{ByteOrder::kIntel, 0, 15}));

    // Motorola: the least significant end is byte 3 bit 4; it moves on to
    // byte 3 bit 0, past the end of the data it may not.
    EXPECT_EQ(FieldLsbBit(m.fields[1].bits), 28);
    EXPECT_TRUE(MoveFieldEnd(m, 1, 28, 24));
    EXPECT_EQ(DbcStartBit(m.fields[1].bits), 23);
    EXPECT_EQ(m.fields[1].bits.length, 16);
    EXPECT_FALSE(MoveFieldEnd(m, 1, 23, 15));  // byte 1 bit 7 is field 0's

    // Flipping reads from the same least significant bit the other way.
    m.fields[0].bits = {ByteOrder::kIntel, 0, 4};
    EXPECT_TRUE(FlipByteOrder(m, 0));
    EXPECT_EQ(m.fields[0].bits, FieldFromDbc(ByteOrder::kMotorola, 3, 4));
    m.fields[1].bits = {ByteOrder::kIntel, 4, 12};
    EXPECT_FALSE(FlipByteOrder(m, 1));  // would reach before byte 0
    EXPECT_EQ(m.fields[1].bits, (BitField{ByteOrder::kIntel, 4, 12}));
}

}  // namespace
}  // namespace korvex::discover
