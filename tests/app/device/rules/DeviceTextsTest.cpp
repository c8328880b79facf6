#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/device/rules/ClearRules.h"
#include "app/device/rules/DeviceTexts.h"
#include "app/resources/rules/BuiltInResources.h"
#include "xtp/XTPResourceXml.h"

namespace {

using namespace korvex::device;

// Every text and template of the device dialogs exists built in and in
// English, and the English templates carry every control the built-in ones do.
TEST(DeviceTexts, BuiltInAndEnglishCoverEveryDeviceText) {
    std::ifstream in(std::string(KORVEX_SOURCE_DIR) + "/language/English.xml");
    const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    XTPResourceTable english;
    std::string error;
    ASSERT_TRUE(ParseResourceXml(xml.data(), xml.size(), english, error)) << error;
    const XTPResourceTable& builtIn = korvex::BuiltInResourceTable();

    const std::uint32_t strings[] = {
        ids::kListenMode,
        ids::kNormalMode,
        ids::kColumnChannel,
        ids::kColumnType,
        ids::kColumnStartId,
        ids::kColumnEndId,
        ids::kAskFactoryDefault,
        ids::kDone,
        ids::kFailed,
        ids::kNothingToDelete,
        ids::kStartNotBelowEnd,
        ids::kStdExplicit,
        ids::kStdGroup,
        ids::kExtExplicit,
        ids::kExtGroup,
        ids::kExtendedFrame,
        ids::kStandardFrame,
        ids::kColumnNumber,
        ids::kColumnFrameId,
        ids::kColumnFrameFormat,
        ids::kColumnFrameType,
        ids::kColumnData,
        ids::kDataFrame,
        ids::kRemoteFrame,
        ids::kNormalSend,
        ids::kSelfReceive,
        ids::kColumnSendType,
        ids::kBadStartId,
        ids::kBadEndId,
        ids::kBadSendInterval,
        ids::kBadCustomRegister,
        ids::kBadDataByte,
        ids::kOpenFailed,
        ids::kDoneBang,
        ids::kWarning,
        ids::kClearFailed,
        ids::kAskOnTerminal,
        ids::kColumnBitTiming,
        ids::kColumnSegments,
        ids::kColumnSamplePoint,
        ids::kColumnActualRate,
        ids::kColumnError,
    };
    for (std::uint32_t id : strings) {
        EXPECT_EQ(builtIn.strings.count(id), 1u) << id;
        EXPECT_EQ(english.strings.count(id), 1u) << id;
    }
    for (std::uint32_t id : {ids::kBadStartId, ids::kBadDataByte})
        EXPECT_NE(english.strings.at(id).find("%s"), std::string::npos) << id;

    for (std::uint32_t dialog : {130u, 138u, kSureTemplate, 5135u}) {
        ASSERT_EQ(builtIn.dialogs.count(dialog), 1u) << dialog;
        ASSERT_EQ(english.dialogs.count(dialog), 1u) << dialog;
        const XTPDialogTemplate& en = english.dialogs.at(dialog);
        for (const XTPDialogControl& control : builtIn.dialogs.at(dialog).controls)
            EXPECT_NE(en.ControlCaption(control.id), nullptr) << dialog << "/" << control.id;
    }
}

}  // namespace
