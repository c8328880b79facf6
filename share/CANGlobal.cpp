#include "share/CANGlobal.h"

#include <sys/stat.h>

#include <utility>

#include "share/AtomicFile.h"
#include "share/ControlListBase.h"
#include "share/FrameText.h"
#include "share/KeyMatch.h"
#include "share/SettingsXml.h"

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

constexpr COLORREF kListBackColor = 0xEBEBEB;
constexpr COLORREF kListTextColor = 0xB47804;
constexpr COLORREF kDefaultBackColor = 0xFFFFFF;
constexpr std::uint8_t kDefaultShowType = 16;

std::string GroupName(const char* prefix, int ch) {
    return prefix + std::to_string(ch);
}

// The top-level group element, appended when missing. The document has no
// root and no declaration: its groups are its top-level elements. Text
// directly inside a group means nothing to it.
XMLElement* FindOrCreateGroup(XMLDocument& document, const std::string& name) {
    if (XMLElement* group = document.FirstChildElement(name.c_str())) {
        for (tinyxml2::XMLNode* node = group->FirstChild(); node != nullptr;) {
            tinyxml2::XMLNode* next = node->NextSibling();
            if (node->ToText() != nullptr) group->DeleteChild(node);
            node = next;
        }
        return group;
    }
    XMLElement* group = document.NewElement(name.c_str());
    document.InsertEndChild(group);
    return group;
}

constexpr char kSettingsFile[] = "plugin_config/protolens.xml";

std::string DefaultSettingsPath() {
    const std::string dir = name_share::CGenGlobal::ModuleDir();
    return dir.empty() ? std::string() : dir + kSettingsFile;
}

void RemoveChildren(XMLElement* parent, const char* name) {
    while (XMLElement* child = parent->FirstChildElement(name)) parent->DeleteChild(child);
}

// A single-valued child: the existing one (the one a load reads) keeps its
// other attributes but moves to the end, so that every save writes the
// children in the same order; further ones of the name are dropped.
XMLElement* PlaceSingleChild(XMLElement* parent, const char* name) {
    XMLElement* child = parent->FirstChildElement(name);
    if (child == nullptr) return parent->InsertNewChildElement(name);
    while (XMLElement* extra = child->NextSiblingElement(name)) parent->DeleteChild(extra);
    parent->InsertEndChild(child);
    return child;
}

void QueryValue(const XMLElement* element, const char* attribute, std::uint32_t& value) {
    if (element == nullptr) return;
    std::int64_t v = 0;
    if (element->QueryInt64Attribute(attribute, &v) == tinyxml2::XML_SUCCESS) {
        value = static_cast<std::uint32_t>(v);
    }
}

void QueryValue(const XMLElement* element, const char* attribute, std::int32_t& value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    QueryValue(element, attribute, v);
    value = static_cast<std::int32_t>(v);
}

void QueryValue(const XMLElement* element, const char* attribute, std::uint8_t& value) {
    std::uint32_t v = value;
    QueryValue(element, attribute, v);
    value = static_cast<std::uint8_t>(v);
}

void ReadExtraKeys(const XMLElement* parent, std::vector<OBJKEY>& keys) {
    for (const XMLElement* e = parent->FirstChildElement("EXTRAKEY"); e != nullptr;
         e = e->NextSiblingElement("EXTRAKEY")) {
        OBJKEY key;
        if (name_share::ReadOBJKEY(e, key)) keys.push_back(std::move(key));
    }
}

void WriteExtraKeys(XMLElement* parent, const std::vector<OBJKEY>& keys) {
    for (const OBJKEY& key : keys) {
        name_share::WriteOBJKEY(parent->InsertNewChildElement("EXTRAKEY"), key);
    }
}

}  // namespace

CCANGlobal::CCANGlobal(int channelCount)
    : settingsPath(DefaultSettingsPath()),
      channels(static_cast<std::size_t>(channelCount > 1 ? channelCount : 1)) {}

CCANGlobal::~CCANGlobal() {
    CCANGlobal::SaveSettings();
}

ChannelBlock& CCANGlobal::Block(int ch) {
    return ch >= 0 && ch < ChannelCount() ? channels[static_cast<std::size_t>(ch)] : channels[0];
}

const ChannelBlock& CCANGlobal::Block(int ch) const {
    return ch >= 0 && ch < ChannelCount() ? channels[static_cast<std::size_t>(ch)] : channels[0];
}

void CCANGlobal::CopyChannel(int to, int from) {
    if (to < 0 || to >= ChannelCount() || from < 0 || from >= ChannelCount() || to == from) {
        return;
    }
    channels[static_cast<std::size_t>(to)] = channels[static_cast<std::size_t>(from)];
}

void CCANGlobal::ApplyColors(CControlListBase* list, int channel) {
    if (list == nullptr) return;
    list->ClearColorRules();
    // The list always uses its fixed colours; the stored ones are only kept.
    list->SetBackColor(-1, kListBackColor);
    for (int i = 0; i < kColumnCount; ++i) list->SetColumnTextColor(i, 0, kListTextColor);
    for (const ColorRule& rule : Block(channel).display.vecRowColor) {
        list->AddColorRule(&rule.key, rule.color);
    }
}

int CCANGlobal::IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) {
    if (key == nullptr || frame == nullptr) return 0;
    return name_share::IsOBJKeyEqual(*key, *frame);
}

int CCANGlobal::ParseData(std::string_view text, _VCI_CAN_OBJ* frame, int base) {
    if (frame == nullptr) return -1;
    return name_share::ParseData(text, *frame, base);
}

void CCANGlobal::FormatData(std::string& text, const _VCI_CAN_OBJ* frame, int base) {
    // Cleared, not replaced: the caller's string keeps its capacity.
    text.clear();
    if (frame != nullptr) name_share::AppendData(text, *frame, base);
}

void CCANGlobal::SaveSettings() {
    if (loaded != 1) return;
    for (int ch = 0; ch < ChannelCount(); ++ch) {
        SaveChannelGroup(ch);
        SaveAliasGroup(ch);
        SaveSendGroup(ch);
        SaveTriggerGroup(ch);
    }
    SaveCANIndMap();
    if (settingsPath.empty()) return;
    // A missing file is created, and with it its folder; failures go unreported.
    const std::size_t slash = settingsPath.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        ::mkdir(settingsPath.substr(0, slash).c_str(), 0755);
    }
    SaveDocument(settingsPath);
}

void CCANGlobal::LoadSettings() {
    loaded = 1;
    bFlag = 0;
    bTriggerFired = 0;
    if (settingsPath.empty() || !LoadDocument(settingsPath)) document.Clear();
    LoadCANIndMap();
    for (int ch = 0; ch < ChannelCount(); ++ch) {
        LoadChannelGroup(ch);
        LoadAliasGroup(ch);
        LoadSendGroup(ch);
        LoadTriggerGroup(ch);
    }
}

bool CCANGlobal::LoadDocument(const std::string& path) {
    std::string text;
    if (!name_share::ReadWholeFile(path, text)) {
        document.Clear();
        return false;
    }
    return LoadDocumentText(text);
}

bool CCANGlobal::LoadDocumentText(std::string_view text) {
    return name_share::ParseSettingsDocument(text, document);
}

bool CCANGlobal::SaveDocument(const std::string& path) const {
    return name_share::WriteFileAtomic(path, DocumentText());
}

std::string CCANGlobal::DocumentText() const {
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}

void CCANGlobal::LoadChannelGroup(int ch) {
    ChannelSettings& s = Block(ch).display;
    s = ChannelSettings{};
    s.colBack = kDefaultBackColor;
    s.bShowType = kDefaultShowType;
    s.bShowSend = 1;
    const XMLElement* group = document.FirstChildElement(GroupName("dlgcmd", ch).c_str());
    if (group == nullptr) return;
    QueryValue(group->FirstChildElement("colBack"), "value", s.colBack);
    std::size_t column = 0;
    for (const XMLElement* e = group->FirstChildElement("colFront");
         e != nullptr && column < s.colFront.size(); e = e->NextSiblingElement("colFront")) {
        QueryValue(e, "value", s.colFront[column++]);
    }
    for (const XMLElement* e = group->FirstChildElement("vecRowColor"); e != nullptr;
         e = e->NextSiblingElement("vecRowColor")) {
        // Every element is a rule; one without a key keeps the empty key,
        // which matches no frame. (Filter rules without a key are skipped.)
        ColorRule rule;
        QueryValue(e, "colFront", rule.color);
        name_share::ReadOBJKEY(e->FirstChildElement("OBJKEY"), rule.key);
        s.vecRowColor.push_back(std::move(rule));
    }
    for (const XMLElement* e = group->FirstChildElement("vecFilterShow"); e != nullptr;
         e = e->NextSiblingElement("vecFilterShow")) {
        FilterRule rule;
        if (!name_share::ReadOBJKEY(e->FirstChildElement("OBJKEY"), rule.key)) continue;
        ReadExtraKeys(e, rule.extraKeys);
        s.vecFilterShow.push_back(std::move(rule));
    }
    QueryValue(group->FirstChildElement("bShowType"), "value", s.bShowType);
    QueryValue(group->FirstChildElement("bShowSend"), "value", s.bShowSend);
}

void CCANGlobal::SaveChannelGroup(int ch) {
    const ChannelSettings& s = Block(ch).display;
    XMLElement* group = FindOrCreateGroup(document, GroupName("dlgcmd", ch));
    RemoveChildren(group, "colFront");
    RemoveChildren(group, "vecRowColor");
    RemoveChildren(group, "vecFilterShow");
    PlaceSingleChild(group, "colBack")->SetAttribute("value", s.colBack);
    for (const COLORREF color : s.colFront) {
        group->InsertNewChildElement("colFront")->SetAttribute("value", color);
    }
    for (const ColorRule& rule : s.vecRowColor) {
        XMLElement* e = group->InsertNewChildElement("vecRowColor");
        e->SetAttribute("colFront", rule.color);
        name_share::WriteOBJKEY(e->InsertNewChildElement("OBJKEY"), rule.key);
    }
    for (const FilterRule& rule : s.vecFilterShow) {
        XMLElement* e = group->InsertNewChildElement("vecFilterShow");
        name_share::WriteOBJKEY(e->InsertNewChildElement("OBJKEY"), rule.key);
        WriteExtraKeys(e, rule.extraKeys);
    }
    PlaceSingleChild(group, "bShowType")->SetAttribute("value", static_cast<unsigned>(s.bShowType));
    PlaceSingleChild(group, "bShowSend")->SetAttribute("value", static_cast<unsigned>(s.bShowSend));
}

void CCANGlobal::LoadAliasGroup(int ch) {
    AliasSettings& s = Block(ch).alias;
    s.vecAliasName.clear();
    const XMLElement* group = document.FirstChildElement(GroupName("dlgFrameName", ch).c_str());
    if (group == nullptr) return;
    s.dlgpos = -1;
    QueryValue(group, "dlgpos", s.dlgpos);
    for (const XMLElement* e = group->FirstChildElement("vecAliasName"); e != nullptr;
         e = e->NextSiblingElement("vecAliasName")) {
        AliasEntry entry;
        if (const char* name = e->Attribute("strName")) entry.strName = name;
        if (name_share::ReadOBJKEY(e->FirstChildElement("OBJKEY"), entry.key)) {
            s.vecAliasName.push_back(std::move(entry));
        }
    }
}

void CCANGlobal::SaveAliasGroup(int ch) {
    const AliasSettings& s = Block(ch).alias;
    XMLElement* group = FindOrCreateGroup(document, GroupName("dlgFrameName", ch));
    group->SetAttribute("dlgpos", s.dlgpos);
    RemoveChildren(group, "vecAliasName");
    for (const AliasEntry& entry : s.vecAliasName) {
        XMLElement* e = group->InsertNewChildElement("vecAliasName");
        e->SetAttribute("strName", entry.strName.c_str());
        name_share::WriteOBJKEY(e->InsertNewChildElement("OBJKEY"), entry.key);
    }
}

void CCANGlobal::LoadSendGroup(int ch) {
    SendSettings& s = Block(ch).send;
    s.single = SendList{};
    s.list = SendList{};
    s.history.clear();
    const XMLElement* group = document.FirstChildElement(GroupName("dlgSend", ch).c_str());
    if (group == nullptr) return;
    QueryValue(group, "dlgpos", s.dlgpos);
    name_share::ReadSendList(group->FirstChildElement("SendSingle"), s.single);
    name_share::ReadSendList(group->FirstChildElement("SendList"), s.list);
    if (const XMLElement* history = group->FirstChildElement("SendHistory")) {
        for (const XMLElement* e = history->FirstChildElement("SendList"); e != nullptr;
             e = e->NextSiblingElement("SendList")) {
            SendList list;
            name_share::ReadSendList(e, list);
            s.history.push_back(std::move(list));
        }
    }
}

void CCANGlobal::SaveSendGroup(int ch) {
    const SendSettings& s = Block(ch).send;
    XMLElement* group = FindOrCreateGroup(document, GroupName("dlgSend", ch));
    group->SetAttribute("dlgpos", s.dlgpos);
    RemoveChildren(group, "SendSingle");
    RemoveChildren(group, "SendList");
    RemoveChildren(group, "SendHistory");
    name_share::WriteSendList(group->InsertNewChildElement("SendSingle"), s.single);
    name_share::WriteSendList(group->InsertNewChildElement("SendList"), s.list);
    XMLElement* history = group->InsertNewChildElement("SendHistory");
    for (const SendList& list : s.history) {
        name_share::WriteSendList(history->InsertNewChildElement("SendList"), list);
    }
}

void CCANGlobal::LoadTriggerGroup(int ch) {
    TriggerSettings& s = Block(ch).trigger;
    s.vecTrigger.clear();
    const XMLElement* group = document.FirstChildElement(GroupName("dlgTrigger", ch).c_str());
    if (group == nullptr) return;
    QueryValue(group, "dlgpos", s.dlgpos);
    QueryValue(group, "senddlgpos", s.senddlgpos);
    QueryValue(group->FirstChildElement("bEnableTrigger"), "value", s.bEnableTrigger);
    for (const XMLElement* e = group->FirstChildElement("vecTrigger"); e != nullptr;
         e = e->NextSiblingElement("vecTrigger")) {
        Trigger trigger;
        QueryValue(e, "m_TriggerType", trigger.m_TriggerType);
        if (!name_share::ReadOBJKEY(e->FirstChildElement("OBJKEY"), trigger.key)) continue;
        ReadExtraKeys(e, trigger.extraKeys);
        name_share::ReadSendList(e->FirstChildElement("m_TriggerSend"), trigger.m_TriggerSend);
        if (const XMLElement* file = e->FirstChildElement("SendFile")) {
            if (const char* name = file->Attribute("FileName")) trigger.FileName = name;
            QueryValue(file, "FileType", trigger.FileType);
        }
        s.vecTrigger.push_back(std::move(trigger));
    }
}

void CCANGlobal::SaveTriggerGroup(int ch) {
    const TriggerSettings& s = Block(ch).trigger;
    XMLElement* group = FindOrCreateGroup(document, GroupName("dlgTrigger", ch));
    group->SetAttribute("dlgpos", s.dlgpos);
    group->SetAttribute("senddlgpos", s.senddlgpos);
    RemoveChildren(group, "vecTrigger");
    PlaceSingleChild(group, "bEnableTrigger")
        ->SetAttribute("value", static_cast<unsigned>(s.bEnableTrigger));
    for (const Trigger& trigger : s.vecTrigger) {
        XMLElement* e = group->InsertNewChildElement("vecTrigger");
        e->SetAttribute("m_TriggerType", trigger.m_TriggerType);
        name_share::WriteOBJKEY(e->InsertNewChildElement("OBJKEY"), trigger.key);
        WriteExtraKeys(e, trigger.extraKeys);
        name_share::WriteSendList(e->InsertNewChildElement("m_TriggerSend"), trigger.m_TriggerSend);
        if (trigger.m_TriggerType == kTriggerSendFile) {
            XMLElement* file = e->InsertNewChildElement("SendFile");
            file->SetAttribute("FileName", trigger.FileName.c_str());
            file->SetAttribute("FileType", trigger.FileType);
        }
    }
}

void CCANGlobal::LoadCANIndMap() {
    // Only a stored value replaces the one held.
    QueryValue(document.FirstChildElement("CANIndMap"), "0", CANIndMap);
}

void CCANGlobal::SaveCANIndMap() {
    XMLElement* e = document.FirstChildElement("CANIndMap");
    if (e == nullptr) {
        e = document.NewElement("CANIndMap");
        document.InsertEndChild(e);
    }
    e->SetAttribute("0", CANIndMap);
}
