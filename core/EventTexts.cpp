#include "core/EventTexts.h"

#include <array>
#include <atomic>
#include <list>
#include <mutex>
#include <string>

#include "core/FrameRowText.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {
namespace {

constexpr std::uint8_t kFirstEventCode = 225;
constexpr std::size_t kEventWords = 7;  // codes 225..230, then every other code

constexpr std::array<const char*, kEventWords> kBuiltInWords = {
    "CAN控制器内部FIFO溢出", "CAN控制器错误报警", "CAN控制器消极错误", "CAN控制器仲裁丢失",
    "CAN控制器总线错误",     "总线关闭错误",      "没有错误",
};

using EventTable = std::array<std::string, kEventWords>;

EventTable MakeTable(const std::array<std::string, kEventWords>& words) {
    EventTable table;
    for (std::size_t i = 0; i < kEventWords; ++i)
        table[i] = (i + 1 == kEventWords ? "\t" : "") + words[i] + "\n";
    return table;
}

// Every table ever made stays, so that a text handed out earlier, perhaps to
// another thread, stays valid; there is one per language used.
std::list<EventTable>& Tables() {
    static std::list<EventTable> tables = [] {
        std::array<std::string, kEventWords> words;
        for (std::size_t i = 0; i < kEventWords; ++i) words[i] = kBuiltInWords[i];
        return std::list<EventTable>{MakeTable(words)};
    }();
    return tables;
}

std::mutex& TablesLock() {
    static std::mutex lock;
    return lock;
}

std::atomic<const EventTable*>& Current() {
    static std::atomic<const EventTable*> current{&Tables().front()};
    return current;
}

}  // namespace

const char* EventText(std::uint8_t eventCode) {
    if (eventCode == 0) return "";
    const std::size_t word = eventCode >= kFirstEventCode && eventCode < kFirstEventCode + 6
                                 ? static_cast<std::size_t>(eventCode - kFirstEventCode)
                                 : kEventWords - 1;
    return (*Current().load(std::memory_order_acquire))[word].c_str();
}

std::uint8_t EventCodeOfText(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '\t') text.remove_prefix(1);
    if (text.empty()) return 0;
    std::lock_guard<std::mutex> guard(TablesLock());
    for (const EventTable& table : Tables()) {
        for (std::size_t i = 0; i < kEventWords; ++i) {
            std::string_view word = table[i];
            word.remove_suffix(1);
            if (i + 1 == kEventWords) word.remove_prefix(1);
            if (word == text)
                return i + 1 == kEventWords ? kEventSpanMarker
                                            : static_cast<std::uint8_t>(kFirstEventCode + i);
        }
    }
    return 0;
}

void ReloadEventTexts() {
    std::array<std::string, kEventWords> words;
    for (std::size_t i = 0; i < kEventWords; ++i) {
        words[i] = XTPLoadString(kStrEventFirst + static_cast<std::uint32_t>(i));
        if (words[i].empty()) words[i] = kBuiltInWords[i];
    }
    const EventTable table = MakeTable(words);
    std::lock_guard<std::mutex> guard(TablesLock());
    std::list<EventTable>& tables = Tables();
    const EventTable* chosen = nullptr;
    for (const EventTable& known : tables)
        if (known == table) chosen = &known;
    if (chosen == nullptr) chosen = &tables.emplace_back(table);
    Current().store(chosen, std::memory_order_release);
}

}  // namespace korvex
