#include "core/discover/DraftDbc.h"

#include <cinttypes>
#include <cstdio>
#include <map>

namespace korvex::discover {
namespace {

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// "bytes 0–6", "bytes 0–2, 4–7", "byte 1".
std::string ByteList(int length, int skipped) {
    std::string text;
    int count = 0;
    for (int from = 0; from < length;) {
        if (from == skipped) {
            ++from;
            continue;
        }
        int to = from;
        while (to + 1 < length && to + 1 != skipped) ++to;
        if (!text.empty()) text += ", ";
        text += from == to ? std::to_string(from)
                           : std::to_string(from) + "\u2013" + std::to_string(to);
        count += to - from + 1;
        from = to + 1;
    }
    return (count == 1 ? "byte " : "bytes ") + text;
}

// Comments are quoted; a quote inside one would end it early.
std::string Quoted(std::string text) {
    for (char& c : text)
        if (c == '"') c = '\'';
    return "\"" + text + "\"";
}

std::string Rate(double rate) {
    return Format("%.3g", rate);
}

}  // namespace

std::string DraftMessageName(const MessageKey& key) {
    return Format("M_%" PRIX32, key.id);
}

std::vector<std::string> DraftFieldNames(const MessageDiscovery& message) {
    std::vector<std::string> names;
    int counters = 0;
    int signalCount = 0;
    int flags = 0;
    for (const FoundField& field : message.fields) {
        switch (field.kind) {
            case FieldKind::kCounter:
                ++counters;
                names.push_back(counters == 1 ? "Counter" : "Counter" + std::to_string(counters));
                break;
            case FieldKind::kChecksum:
                names.emplace_back("Checksum");
                break;
            case FieldKind::kSignal:
                names.push_back("S" + std::to_string(++signalCount));
                break;
            case FieldKind::kFlag:
                names.push_back("F" + std::to_string(++flags));
                break;
        }
    }
    return names;
}

std::string FieldFinding(const MessageDiscovery& message, const FoundField& field) {
    switch (field.kind) {
        case FieldKind::kCounter:
            return "rolling counter";
        case FieldKind::kChecksum: {
            const std::string covered = ByteList(message.key.length, field.bits.lsb / 8);
            return std::string("checksum: ") + ChecksumName(field.algorithm) + " over " +
                   (field.withIdByte ? "the identifier's low byte and " : "") + covered;
        }
        case FieldKind::kFlag:
            return "flag: flip rate " + Rate(field.lsbFlipRate);
        case FieldKind::kSignal:
            break;
    }
    if (field.bits.length == 1) return "flip rate " + Rate(field.lsbFlipRate);
    return "flip rate " + Rate(field.lsbFlipRate) + " (LSB) to " + Rate(field.msbFlipRate) +
           " (MSB), " + (field.isSigned ? "signed" : "unsigned");
}

std::string StatusFinding(const MessageDiscovery& message) {
    switch (message.status) {
        case DiscoveryStatus::kTooFewFrames:
            return Format("too few frames (%" PRId64 ")", message.frames);
        case DiscoveryStatus::kTooFewChanges:
            return Format("too few changes (%" PRId64 ")", message.changes);
        case DiscoveryStatus::kAnalysed:
            break;
    }
    return {};
}

signaldb::DbcDatabase DraftDatabase(const std::vector<MessageDiscovery>& messages) {
    // A database holds one message per identifier.
    std::map<std::pair<bool, std::uint32_t>, const MessageDiscovery*> chosen;
    for (const MessageDiscovery& m : messages) {
        const MessageDiscovery*& entry = chosen[{m.key.extended, m.key.id}];
        if (entry == nullptr || m.frames > entry->frames) entry = &m;
    }
    signaldb::DbcDatabase database;
    for (const auto& [key, m] : chosen) {
        signaldb::DbcMessage message;
        message.id = m->key.id;
        message.extended = m->key.extended;
        message.name = DraftMessageName(m->key);
        message.length = m->key.length;
        message.sender = "Vector__XXX";
        message.comment = StatusFinding(*m);
        const std::vector<std::string> names = DraftFieldNames(*m);
        for (std::size_t i = 0; i < m->fields.size(); ++i) {
            const FoundField& field = m->fields[i];
            signaldb::DbcSignal signal;
            signal.name = names[i];
            signal.startBit = DbcStartBit(field.bits);
            signal.length = field.bits.length;
            signal.byteOrder = field.bits.order;
            signal.isSigned = field.isSigned;
            signal.minimum = static_cast<double>(field.minimum);
            signal.maximum = static_cast<double>(field.maximum);
            signal.receivers = {"Vector__XXX"};
            signal.comment = FieldFinding(*m, field);
            message.signalList.push_back(std::move(signal));
        }
        database.messages.push_back(std::move(message));
    }
    return database;
}

std::string DbcText(const signaldb::DbcDatabase& database) {
    std::string text = "VERSION \"\"\n\nNS_ :\n\nBS_:\n\nBU_:\n\n";
    std::string comments;
    for (const signaldb::DbcMessage& message : database.messages) {
        const std::uint32_t fileId = message.FileId();
        text += Format("BO_ %" PRIu32 " ", fileId) + message.name + ": " +
                std::to_string(message.length) + " " +
                (message.sender.empty() ? "Vector__XXX" : message.sender) + "\n";
        for (const signaldb::DbcSignal& s : message.signalList) {
            text += " SG_ " + s.name + " : " +
                    Format("%d|%d@%c%c (%.17g,%.17g) [%.17g|%.17g] \"", s.startBit, s.length,
                           s.byteOrder == signaldb::ByteOrder::kIntel ? '1' : '0',
                           s.isSigned ? '-' : '+', s.factor, s.offset, s.minimum, s.maximum) +
                    s.unit + "\" Vector__XXX\n";
            if (!s.comment.empty())
                comments += Format("CM_ SG_ %" PRIu32 " ", fileId) + s.name + " " +
                            Quoted(s.comment) + ";\n";
        }
        text += "\n";
        if (!message.comment.empty())
            comments += Format("CM_ BO_ %" PRIu32 " ", fileId) + Quoted(message.comment) + ";\n";
    }
    return text + comments;
}

}  // namespace korvex::discover
