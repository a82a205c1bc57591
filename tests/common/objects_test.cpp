#include "common/objects.h"
#include "common/scripttext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using namespace zrv;

namespace {

TEST(ControlTypes, EveryWordFindsItsTypeInAnyCase) {
    for (const ControlTypeInfo& t : kControlTypes) {
        std::string lower(t.word), upper(t.word);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (const std::string& w : {std::string(t.word), lower, upper}) {
            const ControlTypeInfo* found = findControlType(w);
            ASSERT_NE(found, nullptr) << w;
            EXPECT_EQ(found->type, t.type) << w;
        }
        EXPECT_EQ(controlTypeInfo(t.type).word, t.word);
    }
    EXPECT_EQ(findControlType("colour block"), nullptr);
    EXPECT_EQ(findControlType(""), nullptr);
}

// The names an icon control may use are the pictures the interpreter carries.
TEST(IconNames, FiftySevenNamesEachWithItsPicture) {
    std::set<std::string_view> distinct(kIconNames.begin(), kIconNames.end());
    EXPECT_EQ(distinct.size(), 57u);
    const std::filesystem::path icons = std::filesystem::path(ZRV_SOURCE_DIR) / "interpreter/ui/qt/icons";
    for (std::string_view name : kIconNames)
        EXPECT_TRUE(std::filesystem::exists(icons / (std::string(name) + ".png"))) << name;
}

TEST(Languages, TheCountryChoosesAndOthersAreUkEnglish) {
    struct Row {
        int country;
        std::string_view language;
    };
    for (Row r : {Row{1, "USENGLISH"}, Row{2, "USENGLISH"}, Row{33, "FRENCH"}, Row{49, "GERMAN"},
                  Row{44, "UKENGLISH"}, Row{39, "UKENGLISH"}, Row{0, "UKENGLISH"}})
        EXPECT_EQ(kLanguageNames[static_cast<std::size_t>(languageForCountry(r.country))], r.language) << r.country;
}

} // namespace
