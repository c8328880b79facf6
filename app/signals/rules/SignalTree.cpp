#include "app/signals/rules/SignalTree.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace korvex::signaldb {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::vector<SignalTreeMessage> FilterSignalTree(const CSignalDecoder& decoder,
                                                const std::string& filter) {
    std::vector<std::string> words;
    std::istringstream in(Lower(filter));
    for (std::string w; in >> w;) words.push_back(w);
    std::vector<SignalTreeMessage> tree;
    const auto& messages = decoder.Messages();
    for (std::size_t m = 0; m < messages.size(); ++m) {
        const DbcMessage& message = *messages[m].message;
        SignalTreeMessage entry{static_cast<int>(m), {}};
        for (std::size_t s = 0; s < message.signalList.size(); ++s) {
            const DbcSignal& signal = message.signalList[s];
            const std::string haystack =
                Lower(message.name + "." + signal.name + " " + signal.unit + " " + signal.comment);
            if (std::all_of(words.begin(), words.end(), [&](const std::string& w) {
                    return haystack.find(w) != std::string::npos;
                }))
                entry.signalList.push_back(static_cast<int>(s));
        }
        if (!entry.signalList.empty()) tree.push_back(std::move(entry));
    }
    return tree;
}

}  // namespace korvex::signaldb
