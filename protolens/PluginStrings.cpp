#include "protolens/PluginStrings.h"

#include <array>
#include <string_view>

#include "xtp/XTPResourceManager.h"

namespace protolens {
namespace {

struct BuiltInString {
    std::uint32_t id;
    std::string_view text;
};

constexpr std::array<BuiltInString, 13> kBuiltIn{{
    {kStrIndex, "序号"},
    {kStrTime, "时间标识"},
    {kStrFrameId, "帧ID"},
    {kStrFormat, "格式"},
    {kStrType, "类型"},
    {kStrDlc, "DLC"},
    {kStrData, "数据"},
    {kStrAlias, "别名"},
    {kStrRemark, "备注"},
    {kStrStandardFrame, "标准帧"},
    {kStrExtendedFrame, "扩展帧"},
    {kStrDataFrame, "数据帧"},
    {kStrRemoteFrame, "远程帧"},
}};

}  // namespace

std::string LoadPluginString(std::uint32_t id) {
    std::string text;
    if (XTPResourceManager()->LoadString(id, text)) return text;
    for (const BuiltInString& s : kBuiltIn) {
        if (s.id == id) return std::string(s.text);
    }
    return {};
}

void FrameWords::Reload() {
    standard = LoadPluginString(kStrStandardFrame);
    extended = LoadPluginString(kStrExtendedFrame);
    data = LoadPluginString(kStrDataFrame);
    remote = LoadPluginString(kStrRemoteFrame);
}

}  // namespace protolens
