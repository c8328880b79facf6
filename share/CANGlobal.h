#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tinyxml2.h>

#include "share/CommonGlobal.h"
#include "share/ControlIni.h"
#include "share/GenGlobal.h"
#include "share/SettingsTypes.h"

// The shared settings object: display settings, colour rules, filters, aliases,
// send lists and triggers of each channel, kept as XML. Each group is a
// top-level element of the document ("dlgcmd%d", "dlgFrameName%d", "dlgSend%d",
// "dlgTrigger%d" with the channel index, and "CANIndMap"); groups load and save
// one at a time so that a user of only some of them keeps the others intact.
class CCANGlobal : public name_share::CControlIni,
                   public CCommonGlobal,
                   public name_share::CGenGlobal {
  public:
    explicit CCANGlobal(int channelCount = 1);
    CCANGlobal(const CCANGlobal&) = delete;
    CCANGlobal& operator=(const CCANGlobal&) = delete;
    // Saves first (which does nothing unless LoadSettings ran).
    ~CCANGlobal() override;

    void CopyChannel(int to, int from) override;
    void ApplyColors(CControlListBase* list, int channel) override;
    int IsOBJKeyEqual(const OBJKEY* key, const _VCI_CAN_OBJ* frame) override;
    int ParseData(std::string_view text, _VCI_CAN_OBJ* frame, int base) override;
    void FormatData(std::string& text, const _VCI_CAN_OBJ* frame, int base) override;
    // Every group, then the document to settingsPath (creating its folder);
    // only when loaded is 1.
    void SaveSettings() override;
    // loaded = 1, flags 0, the document from settingsPath, then every group.
    void LoadSettings() override;

    // The block of channel ch; an index outside the channels gives channel 0.
    ChannelBlock& Block(int ch);
    const ChannelBlock& Block(int ch) const;
    int ChannelCount() const { return static_cast<int>(channels.size()); }

    // The document: from a file (a missing or broken one leaves it empty and
    // returns false), from text, to a file (atomically) and as text.
    bool LoadDocument(const std::string& path);
    bool LoadDocumentText(std::string_view text);
    bool SaveDocument(const std::string& path) const;
    std::string DocumentText() const;

    // One group each, between the channel's block and the document.
    void LoadChannelGroup(int ch);
    void SaveChannelGroup(int ch);
    void LoadAliasGroup(int ch);
    void SaveAliasGroup(int ch);
    void LoadSendGroup(int ch);
    void SaveSendGroup(int ch);
    void LoadTriggerGroup(int ch);
    void SaveTriggerGroup(int ch);
    void LoadCANIndMap();
    void SaveCANIndMap();

    // The settings file of LoadSettings and SaveSettings: "plugin_config/protolens.xml"
    // in the folder of the program or library that holds this code.
    std::string settingsPath;
    std::vector<ChannelBlock> channels;
    std::uint8_t bFlag = 0;
    std::uint8_t bTriggerFired = 0;
    std::uint32_t CANIndMap = 0;
    tinyxml2::XMLDocument document;
};
