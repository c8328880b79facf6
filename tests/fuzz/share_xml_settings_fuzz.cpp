// Loads a settings document from the fuzz bytes, uses every key and entry
// read from it, saves, and checks that the saved document reads back to the
// same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "share/CANGlobal.h"
#include "share/FrameText.h"
#include "share/KeyMatch.h"

namespace {

void LoadAll(CCANGlobal& g, std::string_view text) {
    g.settingsPath.clear();  // the document only, never a file
    g.LoadDocumentText(text);
    g.loaded = 1;
    g.LoadCANIndMap();
    g.LoadChannelGroup(0);
    g.LoadAliasGroup(0);
    g.LoadSendGroup(0);
    g.LoadTriggerGroup(0);
}

std::string SaveAll(CCANGlobal& g) {
    g.SaveSettings();  // no settings path: the document only
    return g.DocumentText();
}

std::string Canonical(const CCANGlobal& g) {
    CCANGlobal c;
    c.settingsPath.clear();
    c.channels = g.channels;
    c.CANIndMap = g.CANIndMap;
    c.loaded = 1;
    return SaveAll(c);
}

void Use(const OBJKEY& key, const _VCI_CAN_OBJ& frame) {
    name_share::IsOBJKeyEqual(key, frame);
    std::string text;
    std::uint32_t caption = 0;
    name_share::KeyToText(key, text, caption, false, true);
    // What a reader hands out is always within its bounds.
    if (key.pBuf.size() > key.dwData || key.bEnd > 8 || key.bStart > key.bEnd) std::abort();
}

void Use(const SendList& list) {
    for (const tagSendUint& unit : list.items) {
        if (!unit.pFrames.empty() && static_cast<std::size_t>(unit.len) != unit.pFrames.size()) {
            std::abort();
        }
        for (const _VCI_CAN_OBJ& frame : unit.pFrames) name_share::FormatData(frame, 16);
        name_share::FormatData(unit.obj, 2);
        if (unit.Name().size() >= tagSendUint::kNameSize) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CCANGlobal g;
    LoadAll(g, text);

    const ChannelBlock& b = g.Block(0);
    _VCI_CAN_OBJ frame{};
    frame.DataLen = 8;
    for (const ColorRule& rule : b.display.vecRowColor) Use(rule.key, frame);
    for (const FilterRule& rule : b.display.vecFilterShow) {
        Use(rule.key, frame);
        for (const OBJKEY& key : rule.extraKeys) Use(key, frame);
    }
    for (const AliasEntry& entry : b.alias.vecAliasName) Use(entry.key, frame);
    Use(b.send.single);
    Use(b.send.list);
    for (const SendList& list : b.send.history) Use(list);
    for (const Trigger& trigger : b.trigger.vecTrigger) {
        Use(trigger.key, frame);
        for (const OBJKEY& key : trigger.extraKeys) Use(key, frame);
        Use(trigger.m_TriggerSend);
    }

    // What was saved reads back to the same settings: both written alone
    // into an empty document give the same text.
    const std::string saved = SaveAll(g);
    CCANGlobal again;
    LoadAll(again, saved);
    if (Canonical(again) != Canonical(g)) std::abort();
    return 0;
}
