#include "app/signals/rules/SignalSelection.h"

#include <unordered_set>

namespace korvex::signaldb {

bool SplitSignalName(std::string_view name, std::string& message, std::string& signal) {
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 == name.size()) return false;
    message = name.substr(0, dot);
    signal = name.substr(dot + 1);
    return true;
}

SignalSelection SelectSignals(const CSignalDecoder& decoder, const std::vector<std::string>& names,
                              std::string& missing) {
    const auto& messages = decoder.Messages();
    SignalSelection selected(messages.size());
    for (std::size_t m = 0; m < messages.size(); ++m)
        selected[m].assign(messages[m].signalList.size(), names.empty() ? 1 : 0);
    std::string messageName;
    std::string signalName;
    for (const std::string& name : names) {
        bool found = false;
        if (SplitSignalName(name, messageName, signalName)) {
            for (std::size_t m = 0; m < messages.size(); ++m) {
                const DbcMessage& message = *messages[m].message;
                if (message.name != messageName) continue;
                for (std::size_t s = 0; s < message.signalList.size(); ++s) {
                    if (message.signalList[s].name != signalName) continue;
                    selected[m][s] = 1;
                    found = true;
                }
            }
        }
        if (!found && missing.empty()) missing = name;
    }
    return selected;
}

std::vector<std::string> SignalNames(const CSignalDecoder& decoder) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const CompiledMessage& compiled : decoder.Messages()) {
        for (const DbcSignal& signal : compiled.message->signalList) {
            std::string name = compiled.message->name + '.' + signal.name;
            if (seen.insert(name).second) names.push_back(std::move(name));
        }
    }
    return names;
}

}  // namespace korvex::signaldb
