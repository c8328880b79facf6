#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/CanSetting.h"
#include "core/FrameRowText.h"
#include "core/KvsetFile.h"
#include "core/frame/BusSampleRecords.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"
#include "share/CANGlobal.h"
#include "share/ControlListBase.h"

// The program's single global state: frame bookkeeping, the clock reference
// list, the bus sample buffers and the settings. The program has one CAN
// channel; per-channel members are arrays indexed by iCurCANInd.
//
// Of the shared settings it keeps only the alias group: the base class's own
// LoadSettings/SaveSettings (every XML group) are replaced by section "Main"
// of DevCfg.ini, and `loaded` stays 0 so the base never writes its file.
class CKorvexGlobal : public CCANGlobal {
  public:
    static constexpr int kChannelCount = 1;
    static constexpr std::int32_t kDefaultRecordLength = 3000;
    static constexpr std::int32_t kDefaultListRefreshTm = 300;
    static constexpr char kDevCfgName[] = "DevCfg.ini";
    static constexpr char kSoftwareCfgName[] = "softwareCfg.xml";

    // Without a settings folder: defaults only, no file is read or written.
    CKorvexGlobal();
    // Reads DevCfg.ini, the language list and softwareCfg.xml from
    // `settingsFolder`; the language list falls back to the installation's
    // language folder when the settings folder has none.
    explicit CKorvexGlobal(std::filesystem::path settingsFolder,
                           std::filesystem::path installedLanguageFolder = {});
    CKorvexGlobal(const CKorvexGlobal&) = delete;
    CKorvexGlobal& operator=(const CKorvexGlobal&) = delete;
    // Writes what this program changed of DevCfg.ini, the language index and
    // the alias group, in that order.
    ~CKorvexGlobal() override;

    // Section "Main" of DevCfg.ini. Saving writes only the values that differ
    // from what was last read or written, each over the file as it stands
    // then, so that what another program stored meanwhile stays.
    void SaveSettings() override;
    void LoadSettings() override;
    // The language index and the alias group, each only when changed here;
    // the alias rules are merged with those the file holds now.
    void SaveLanguageAndAliases();

    // Saves the settings, then writes a .kvset file holding DevCfg.ini.
    korvex::KvsetStatus ExportDeviceConfig(const std::filesystem::path& kvsetPath);
    // Unpacks each entry into the settings folder (each file replaced whole)
    // and reloads the settings, also after an entry was refused. A file that
    // cannot be opened changes nothing. The caller then tells the plug-in the
    // time display type.
    korvex::KvsetImportResult ImportDeviceConfig(const std::filesystem::path& kvsetPath);

    // The installation's language folder, which backs the settings folder's.
    const std::filesystem::path& InstalledLanguageFolderPath() const {
        return installedLanguageFolder;
    }

    // The alias of a frame: the first alias rule of channel 0 that matches it.
    void AliasText(const _VCI_CAN_OBJ& frame, std::string& text);
    // Time mode, clock list and alias of this state, with the plug-in's texts.
    korvex::ExportRowContext ExportContext(
        korvex::AnalyCANFrameFn analyCANFrame,
        korvex::AnalyPartofCANFrameFn analyPartofCANFrame = nullptr);

    // Frames read from a data file: the first sink is sized for `count`
    // frames, every frame is counted and handed to every sink (received flag
    // 0 for transmitted frames), then every sink redraws.
    void AddFileFrames(const _VCI_CAN_OBJ* frames, int count);

    // The same hand-over in pieces, for readers that stream a file: Begin sizes
    // the first sink for the whole file, each run is counted and handed over,
    // End lets every sink redraw.
    void BeginFileFrames(int count);
    void AddFileFrameRun(const _VCI_CAN_OBJ* frames, int count);
    void EndFileFrames();
    // Counts `total` frames of a data file, `transmitted` of them sent by the
    // recorder, for the current channel.
    void CountFileFrames(std::uint64_t total, std::uint64_t transmitted);
    // Counts `total` frames of a data file handed over unread: in the total
    // only, as nobody has looked at which of them the recorder sent.
    void CountUnreadFileFrames(std::uint64_t total);

    // Frames of an upload: every sink is sized for `count` frames (at least 1,
    // kept as iRecordLength), frames other than clock and 0xFE event records go
    // to the first sink only as received frames, the first sink redraws. The
    // counters are left alone. Returns the number of frames handed over.
    int AddUploadFrames(const _VCI_CAN_OBJ* frames, int count);

    // Rebuilds origTimeList from the clock records (event code 0xFF) of `records`.
    void RebuildOrigTimeList(const _VCI_CAN_OBJ* records, int count);

    std::vector<CDataShowBase*>& CurrentSinks() { return frameSinks[ChannelSlot()]; }
    const std::filesystem::path& SettingsFolderPath() const { return settingsFolder; }

    std::array<std::uint64_t, kChannelCount> frameCountTotal{};
    std::array<std::uint64_t, kChannelCount> frameCountRx{};
    std::array<std::uint64_t, kChannelCount> frameCountTx{};
    std::array<std::vector<CDataShowBase*>, kChannelCount> frameSinks;

    std::vector<OrigTimeEntry> origTimeList;

    CCycleBuffer<_tagBusFlowRecord> busFlowSamples;
    CCycleBuffer<_tagBusLoadRecord> busLoadSamples;
    CCycleBuffer<_tagBusStatusRecord> busStatusSamples;

    std::int32_t iCurCANInd = 0;
    // Byte 0: protocol decoding of channel 0 (also its document's index);
    // stored as a 4-byte record whose other bytes stay 0.
    std::uint8_t bCurSelProtocol[4] = {};
    std::int32_t iRecordLength = kDefaultRecordLength;
    std::int32_t iListRefreshTm = kDefaultListRefreshTm;
    std::uint8_t TimeShowType = 0;  // 0 clock time, otherwise relative time
    ::CANSetting CANSetting{};      // the device setting record

    // Start and end of the bus analysis's time window, as shown.
    std::string strAnalyStart;
    std::string strAnalyEnd;

  private:
    // The channel slot for iCurCANInd; a stored index outside the channel
    // range falls back to the first channel rather than reading past the arrays.
    std::size_t ChannelSlot() const;

    // Writes `text` under `key` of section "Main" when it differs from the
    // value last read or written there.
    void WriteMainIfChanged(const std::string& key, const std::string& text);

    std::filesystem::path settingsFolder;
    std::filesystem::path installedLanguageFolder;
    // The texts of section "Main" as last read (as the program took them) or
    // written; a key the file did not hold has no entry and is written.
    std::map<std::string, std::string> mainAsStored;
    std::optional<std::int32_t> languageAsStored;
    std::optional<AliasSettings> aliasesAsStored;
};
