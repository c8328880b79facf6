#include "core/KorvexGlobal.h"

#include <cstring>

#include "core/LanguageList.h"
#include "core/SettingsMerge.h"
#include "share/AtomicFile.h"
#include "share/IniFile.h"

namespace korvex {
namespace {

constexpr char kMainSection[] = "Main";

int ReceivedFlag(const _VCI_CAN_OBJ& frame) {
    return frame.SendType == kSendTypeTransmitted ? 0 : 1;
}

}  // namespace
}  // namespace korvex

CKorvexGlobal::CKorvexGlobal() : CKorvexGlobal(std::filesystem::path{}) {}

CKorvexGlobal::CKorvexGlobal(std::filesystem::path settingsFolder,
                             std::filesystem::path installedLanguageFolder)
    : CCANGlobal(kChannelCount),
      settingsFolder(std::move(settingsFolder)),
      installedLanguageFolder(std::move(installedLanguageFolder)) {
    if (!this->settingsFolder.empty()) iniPath = (this->settingsFolder / kDevCfgName).string();
    LoadSettings();
    if (this->settingsFolder.empty()) return;
    bool languageStored = false;
    korvex::LoadLanguageList(
        korvex::LanguageFolder(this->settingsFolder, this->installedLanguageFolder) /
            korvex::kLanguageListName,
        vecLanguage, iCurLanguage, &languageStored);
    if (languageStored) languageAsStored = iCurLanguage;
    const std::string softwareCfg = (this->settingsFolder / kSoftwareCfgName).string();
    const bool documentRead = LoadDocument(softwareCfg);
    LoadAliasGroup(0);
    if (documentRead) aliasesAsStored = Block(0).alias;
}

CKorvexGlobal::~CKorvexGlobal() {
    if (settingsFolder.empty()) return;
    SaveSettings();
    SaveLanguageAndAliases();
}

void CKorvexGlobal::LoadSettings() {
    mainAsStored.clear();
    bool found = false;
    const auto remember = [this, &found](const char* key, std::string text) {
        if (found) mainAsStored[key] = std::move(text);
    };
    iCurCANInd = ReadInt(korvex::kMainSection, "iCurCANInd", 0, &found);
    remember("iCurCANInd", std::to_string(iCurCANInd));
    std::memset(bCurSelProtocol, 0, sizeof bCurSelProtocol);
    found = ReadStruct(korvex::kMainSection, "bCurSelProtocol", bCurSelProtocol,
                       sizeof bCurSelProtocol);
    remember("bCurSelProtocol",
             name_share::EncodeProfileStruct(bCurSelProtocol, sizeof bCurSelProtocol));
    // The stored length is read and then dropped: the frame store starts with
    // one row until an upload sets the real count.
    ReadInt(korvex::kMainSection, "iRecordLength", kDefaultRecordLength, &found);
    iRecordLength = 1;
    remember("iRecordLength", std::to_string(iRecordLength));
    iListRefreshTm = ReadInt(korvex::kMainSection, "iListRefreshTm", kDefaultListRefreshTm, &found);
    remember("iListRefreshTm", std::to_string(iListRefreshTm));
    TimeShowType =
        static_cast<std::uint8_t>(ReadInt(korvex::kMainSection, "TimeShowType", 0, &found));
    remember("TimeShowType", std::to_string(TimeShowType));
    CANSetting.iReadMarker = 1;
    found = ReadStruct(korvex::kMainSection, "CANSetting", &CANSetting, sizeof CANSetting);
    remember("CANSetting", name_share::EncodeProfileStruct(&CANSetting, sizeof CANSetting));
}

void CKorvexGlobal::WriteMainIfChanged(const std::string& key, const std::string& text) {
    const auto stored = mainAsStored.find(key);
    if (stored != mainAsStored.end() && stored->second == text) return;
    if (WriteString(korvex::kMainSection, key, text)) mainAsStored[key] = text;
}

void CKorvexGlobal::SaveSettings() {
    WriteMainIfChanged("iCurCANInd", std::to_string(iCurCANInd));
    WriteMainIfChanged("bCurSelProtocol",
                       name_share::EncodeProfileStruct(bCurSelProtocol, sizeof bCurSelProtocol));
    WriteMainIfChanged("iRecordLength", std::to_string(iRecordLength));
    WriteMainIfChanged("iListRefreshTm", std::to_string(iListRefreshTm));
    WriteMainIfChanged("CANSetting",
                       name_share::EncodeProfileStruct(&CANSetting, sizeof CANSetting));
    WriteMainIfChanged("TimeShowType", std::to_string(TimeShowType));
}

void CKorvexGlobal::SaveLanguageAndAliases() {
    if (settingsFolder.empty()) return;
    if (languageAsStored != iCurLanguage &&
        korvex::SaveLanguageIndex(settingsFolder, installedLanguageFolder, iCurLanguage))
        languageAsStored = iCurLanguage;

    const AliasSettings ours = Block(0).alias;
    const auto sameAliases = [](const AliasSettings& a, const AliasSettings& b) {
        return a.dlgpos == b.dlgpos && a.vecAliasName == b.vecAliasName;
    };
    if (aliasesAsStored && sameAliases(*aliasesAsStored, ours)) return;
    // The file as it stands now: its other groups stay as they are, and its
    // alias rules are merged with ours.
    const std::string path = (settingsFolder / kSoftwareCfgName).string();
    std::error_code error;
    if (!LoadDocument(path) && std::filesystem::file_size(path, error) > 0 && !error) {
        // Something that is no settings document: writing would lose it.
        Block(0).alias = ours;
        return;
    }
    LoadAliasGroup(0);
    AliasSettings& merged = Block(0).alias;
    const AliasSettings base = aliasesAsStored.value_or(AliasSettings{});
    merged.vecAliasName = korvex::MergeChangedList(
        base.vecAliasName, ours.vecAliasName, merged.vecAliasName,
        [](const AliasEntry& a, const AliasEntry& b) { return a.key == b.key; });
    if (ours.dlgpos != base.dlgpos) merged.dlgpos = ours.dlgpos;
    SaveAliasGroup(0);
    if (SaveDocument(path)) aliasesAsStored = merged;
}

korvex::KvsetStatus CKorvexGlobal::ExportDeviceConfig(const std::filesystem::path& kvsetPath) {
    SaveSettings();
    return korvex::ExportKvsetFile(kvsetPath, settingsFolder / kDevCfgName, kDevCfgName);
}

korvex::KvsetImportResult CKorvexGlobal::ImportDeviceConfig(
    const std::filesystem::path& kvsetPath) {
    const korvex::KvsetImportResult result = korvex::ImportKvsetFile(
        kvsetPath, [this](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            return !settingsFolder.empty() &&
                   name_share::WriteFileAtomic(
                       (settingsFolder / name).string(),
                       std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        });
    if (result.status != korvex::KvsetStatus::kCannotOpen) LoadSettings();
    return result;
}

void CKorvexGlobal::AliasText(const _VCI_CAN_OBJ& frame, std::string& text) {
    text.clear();
    for (const AliasEntry& entry : Block(0).alias.vecAliasName) {
        if (IsOBJKeyEqual(&entry.key, &frame) != 0) {
            text = entry.strName;
            return;
        }
    }
}

korvex::ExportRowContext CKorvexGlobal::ExportContext(
    korvex::AnalyCANFrameFn analyCANFrame, korvex::AnalyPartofCANFrameFn analyPartofCANFrame) {
    korvex::ExportRowContext context;
    context.analyPartofCANFrame = analyPartofCANFrame;
    context.timeShowType = TimeShowType;
    context.origTimeList = &origTimeList;
    context.analyCANFrame = analyCANFrame;
    context.alias = [this](const _VCI_CAN_OBJ& frame, std::string& text) {
        AliasText(frame, text);
    };
    return context;
}

namespace {

// Frames go to a sink in runs of at most this many, each run copied first
// into a buffer of the hand-over's own: a sink may mark the frames it is
// handed, and an import on the window's thread may run while an upload's
// worker hands over its frames.
constexpr int kFrameRunLength = 4096;

class CRunHandOver {
  public:
    void operator()(CDataShowBase& sink, const _VCI_CAN_OBJ* frames, int count, int received) {
        run.assign(frames, frames + count);
        sink.AddFrames(run.data(), count, received);
    }

  private:
    std::vector<_VCI_CAN_OBJ> run;
};

}  // namespace

std::size_t CKorvexGlobal::ChannelSlot() const {
    return iCurCANInd >= 0 && iCurCANInd < kChannelCount ? static_cast<std::size_t>(iCurCANInd) : 0;
}

void CKorvexGlobal::AddFileFrames(const _VCI_CAN_OBJ* frames, int count) {
    BeginFileFrames(count);
    AddFileFrameRun(frames, count);
    EndFileFrames();
}

void CKorvexGlobal::BeginFileFrames(int count) {
    std::vector<CDataShowBase*>& sinks = frameSinks[ChannelSlot()];
    if (!sinks.empty()) sinks.front()->SetCapacity(count);
}

void CKorvexGlobal::AddFileFrameRun(const _VCI_CAN_OBJ* frames, int count) {
    const std::size_t ch = ChannelSlot();
    // A local copy of the sink list: a sink's call could otherwise make the
    // compiler reload it for every run.
    const std::vector<CDataShowBase*> sinks = frameSinks[ch];
    std::uint64_t tx = 0;
    CRunHandOver handOver;
    int start = 0;
    while (start < count) {
        // A sink takes a run with one received flag, so the frames go in
        // stretches of equal flag, each sink getting its own copy to mark.
        const int received = korvex::ReceivedFlag(frames[start]);
        int end = start + 1;
        while (end < count && end - start < kFrameRunLength &&
               korvex::ReceivedFlag(frames[end]) == received)
            ++end;
        if (received == 0) tx += static_cast<std::uint64_t>(end - start);
        for (CDataShowBase* sink : sinks) handOver(*sink, frames + start, end - start, received);
        start = end;
    }
    const auto total = static_cast<std::uint64_t>(count > 0 ? count : 0);
    frameCountTotal[ch] += total;
    frameCountTx[ch] += tx;
    frameCountRx[ch] += total - tx;
}

void CKorvexGlobal::CountFileFrames(std::uint64_t total, std::uint64_t transmitted) {
    const std::size_t ch = ChannelSlot();
    frameCountTotal[ch] += total;
    frameCountTx[ch] += transmitted;
    frameCountRx[ch] += total - transmitted;
}

void CKorvexGlobal::CountUnreadFileFrames(std::uint64_t total) {
    frameCountTotal[ChannelSlot()] += total;
}

void CKorvexGlobal::EndFileFrames() {
    for (CDataShowBase* sink : frameSinks[ChannelSlot()]) sink->Redraw();
}

int CKorvexGlobal::AddUploadFrames(const _VCI_CAN_OBJ* frames, int count) {
    std::vector<CDataShowBase*>& sinks = frameSinks[ChannelSlot()];
    iRecordLength = count > 0 ? count : 1;
    for (CDataShowBase* sink : sinks) sink->SetCapacity(iRecordLength);
    const auto shownFrame = [](const _VCI_CAN_OBJ& frame) {
        const std::uint8_t event = korvex::EventCode(frame);
        return event != korvex::kEventClockRecord && event != korvex::kEventSpanMarker;
    };
    CRunHandOver handOver;
    int shown = 0;
    int start = 0;
    while (start < count) {
        if (!shownFrame(frames[start])) {
            ++start;
            continue;
        }
        // The stretch of shown frames from here goes over as one run.
        int end = start + 1;
        while (end < count && end - start < kFrameRunLength && shownFrame(frames[end])) ++end;
        shown += end - start;
        if (!sinks.empty()) handOver(*sinks.front(), frames + start, end - start, 1);
        start = end;
    }
    if (!sinks.empty()) sinks.front()->Redraw();
    return shown;
}

void CKorvexGlobal::RebuildOrigTimeList(const _VCI_CAN_OBJ* records, int count) {
    origTimeList.clear();
    for (int i = 0; i < count; ++i) {
        if (korvex::EventCode(records[i]) == korvex::kEventClockRecord) {
            origTimeList.push_back(korvex::MakeOrigTimeEntry(records[i]));
        }
    }
}
