#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/common/rules/NumberedFormat.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/LanguageList.h"
#include "tests/support/TempFolder.h"
#include "xtp/XTPResourceXml.h"

namespace {

const std::filesystem::path kSourceFolder = KORVEX_SOURCE_DIR;
const std::filesystem::path kLanguageFolder = kSourceFolder / "language";

// A language file read whole: its table, and every (element kind, number) pair
// named more than once, which would leave one of the two texts unused.
struct LanguageFile {
    XTPResourceTable table;
    std::vector<std::string> duplicates;
};

LanguageFile Read(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    LanguageFile file;
    const std::string text = korvex::test::ReadBytes(path);
    tinyxml2::XMLDocument document;
    std::string error;
    EXPECT_TRUE(ParseResourceDocument(text.data(), text.size(), document, error))
        << name << ": " << error;
    EXPECT_TRUE(ParseResourceXml(text.data(), text.size(), file.table, error)) << name;
    if (document.RootElement() == nullptr) return file;
    std::set<std::pair<std::string, std::uint32_t>> seen;
    for (const tinyxml2::XMLElement* e = document.RootElement()->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
        std::uint32_t id = 0;
        EXPECT_TRUE(ReadResourceId(*e, id)) << name << ": <" << e->Name() << "> without an id";
        if (!seen.insert({e->Name(), id}).second)
            file.duplicates.push_back(std::string(e->Name()) + " " + std::to_string(id));
    }
    return file;
}

// True when the text holds a Chinese character or full-width punctuation,
// i.e. it was left untranslated.
bool HasChinese(const std::string& text) {
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if ((b0 & 0xF0) != 0xE0) continue;
        const unsigned code = (b0 & 0x0Fu) << 12 |
                              (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                              (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
        if ((code >= 0x3000 && code <= 0x303F) || (code >= 0x4E00 && code <= 0x9FFF) ||
            (code >= 0xFF00 && code <= 0xFFEF))
            return true;
    }
    return false;
}

// Compares a translated menu level with the built-in one: the same items in
// the same order, the same commands and pop-ups, every caption translated.
void ExpectSameShape(const std::vector<XTPMenuItem>& builtIn,
                     const std::vector<XTPMenuItem>& english, const std::string& where) {
    ASSERT_EQ(english.size(), builtIn.size()) << where;
    for (std::size_t i = 0; i < builtIn.size(); ++i) {
        const std::string at = where + "/" + std::to_string(i) + " \"" + builtIn[i].text + "\"";
        EXPECT_EQ(english[i].id, builtIn[i].id) << at;
        EXPECT_EQ(english[i].IsPopup(), builtIn[i].IsPopup()) << at;
        EXPECT_EQ(english[i].text.empty(), builtIn[i].text.empty()) << at;
        EXPECT_FALSE(HasChinese(english[i].text)) << at << ": " << english[i].text;
        ExpectSameShape(builtIn[i].popup, english[i].popup, at);
    }
}

TEST(LanguageFiles, EnglishTranslatesEveryBuiltInText) {
    const XTPResourceTable& builtIn = korvex::BuiltInResourceTable();
    const LanguageFile english = Read(kLanguageFolder / "English.xml");
    EXPECT_TRUE(english.duplicates.empty()) << ::testing::PrintToString(english.duplicates);

    for (const auto& [id, text] : builtIn.strings) {
        const auto it = english.table.strings.find(id);
        if (it == english.table.strings.end()) {
            ADD_FAILURE() << "string " << id << " \"" << text << "\" has no English entry";
            continue;
        }
        EXPECT_EQ(it->second.empty(), text.empty()) << "string " << id;
        EXPECT_FALSE(HasChinese(it->second)) << "string " << id << ": " << it->second;
        // Otherwise the program would show the built-in text where it formats.
        if (korvex::FormatArguments(text) != std::optional<std::string>("")) {
            EXPECT_TRUE(korvex::SameConversions(it->second, text))
                << "string " << id << ": " << it->second;
        }
    }
    for (const auto& [id, menu] : builtIn.menus) {
        const auto it = english.table.menus.find(id);
        if (it == english.table.menus.end()) {
            ADD_FAILURE() << "menu " << id << " has no English entry";
            continue;
        }
        ExpectSameShape(menu.items, it->second.items, "menu " + std::to_string(id));
    }
    for (const auto& [id, dialog] : builtIn.dialogs) {
        const auto it = english.table.dialogs.find(id);
        const std::string where = "dialog " + std::to_string(id);
        if (it == english.table.dialogs.end()) {
            ADD_FAILURE() << where << " \"" << dialog.caption << "\" has no English entry";
            continue;
        }
        const XTPDialogTemplate& translated = it->second;
        EXPECT_EQ(translated.caption.empty(), dialog.caption.empty()) << where;
        EXPECT_FALSE(HasChinese(translated.caption)) << where << ": " << translated.caption;
        EXPECT_EQ(translated.style, dialog.style) << where;
        ASSERT_EQ(translated.controls.size(), dialog.controls.size()) << where;
        for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
            const XTPDialogControl& from = dialog.controls[i];
            const XTPDialogControl& to = translated.controls[i];
            const std::string at =
                where + " control " + std::to_string(from.id) + " \"" + from.caption + "\"";
            EXPECT_EQ(to.id, from.id) << at;
            EXPECT_EQ(to.className, from.className) << at;
            EXPECT_EQ(to.caption.empty(), from.caption.empty()) << at;
            EXPECT_FALSE(HasChinese(to.caption)) << at << ": " << to.caption;
        }
    }
}

// Commands 40000 to 40100 are the Language pop-up's items; a menu item there
// would switch the language instead of doing its own work.
void ExpectNoLanguageCommand(const std::vector<XTPMenuItem>& items, const std::string& where) {
    for (const XTPMenuItem& item : items) {
        EXPECT_FALSE(item.id >= 40000 && item.id <= 40100) << where << " \"" << item.text << "\"";
        ExpectNoLanguageCommand(item.popup, where);
    }
}

TEST(LanguageFiles, BuiltInResourcesNameEachNumberOnce) {
    const LanguageFile builtIn = Read(kSourceFolder / "app" / "resources" / "Resources.xml");
    EXPECT_TRUE(builtIn.duplicates.empty()) << ::testing::PrintToString(builtIn.duplicates);
    for (const auto& [id, menu] : builtIn.table.menus)
        ExpectNoLanguageCommand(menu.items, "menu " + std::to_string(id));
}

TEST(LanguageFiles, PluginEnglishHasTheCaptionsAndFrameWords) {
    const LanguageFile plugin = Read(kLanguageFolder / "ProtoLens_English.xml");
    EXPECT_TRUE(plugin.duplicates.empty()) << ::testing::PrintToString(plugin.duplicates);
    for (std::uint32_t id : {5001u, 5003u, 5004u, 5005u, 5006u, 5007u, 5008u, 5009u, 5011u, 5021u,
                             5022u, 5023u, 5024u}) {
        const auto it = plugin.table.strings.find(id);
        ASSERT_NE(it, plugin.table.strings.end()) << id;
        EXPECT_FALSE(it->second.empty()) << id;
        EXPECT_FALSE(HasChinese(it->second)) << id << ": " << it->second;
    }
}

TEST(LanguageFiles, TheListNamesTheBuiltInTextsAndEnglish) {
    std::vector<name_share::LanguageEntry> list;
    std::int32_t current = -1;
    korvex::LoadLanguageList(kLanguageFolder / korvex::kLanguageListName, list, current);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(list[0].strName, "简体中文");
    // The first entry stands for the built-in texts: its file is left out on
    // purpose, so that nothing overrides them.
    EXPECT_FALSE(std::filesystem::exists(kLanguageFolder / list[0].strFileName));
    EXPECT_EQ(list[1].strName, "English");
    EXPECT_EQ(list[1].strFileName, "English.xml");
    EXPECT_TRUE(std::filesystem::exists(kLanguageFolder / list[1].strFileName));
}

}  // namespace
