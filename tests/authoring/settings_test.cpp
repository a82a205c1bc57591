#include "authoring/project/settings.h"

#include "platform/registry/registry.h"
#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;
using zrv::authoring::SettingsStore;

namespace {

class Settings : public MachineTest {};

TEST_F(Settings, MissingOrMistypedSettingsGiveTheirDefaults) {
    SettingsStore s(*m);
    EXPECT_EQ(s.getInt("Window", "Top", 7), 7);
    EXPECT_EQ(s.getString("Zorvane", "Project", "none"), "none");
    ASSERT_TRUE(s.setString("Window", "Top", "high").ok());
    EXPECT_EQ(s.getInt("Window", "Top", 7), 7); // text where a number is wanted
    ASSERT_TRUE(s.setInt("Zorvane", "Project", 3).ok());
    EXPECT_EQ(s.getString("Zorvane", "Project", "none"), "none");
}

TEST_F(Settings, IntegersAndTextsLiveInTheRegistryByApplicationAndSection) {
    SettingsStore s(*m);
    ASSERT_TRUE(s.setInt("Window", "Left", -20).ok());
    ASSERT_TRUE(s.setString("MRUList", "File1", "C:\\P\\A.SPJ").ok());
    EXPECT_EQ(s.getInt("window", "LEFT", 0), -20); // sections and keys without case
    EXPECT_EQ(s.getString("MRUList", "File1", ""), "C:\\P\\A.SPJ");

    auto reg = m->registry();
    ASSERT_TRUE(reg.ok());
    auto v = (*reg)->queryValue(RegRoot::CurrentUser, "Software\\VQRSoftware\\ZRVA32\\Window", "Left");
    ASSERT_TRUE(v.ok() && v->has_value());
    EXPECT_EQ((*v)->type, RegType::Dword);
    EXPECT_EQ((*v)->data, std::string("\xEC\xFF\xFF\xFF", 4));
    auto t = (*reg)->queryValue(RegRoot::Users, ".DEFAULT\\Software\\VQRSoftware\\ZRVA32\\MRUList", "File1");
    ASSERT_TRUE(t.ok() && t->has_value());
    EXPECT_EQ((*t)->data, std::string("C:\\P\\A.SPJ\0", 11));

    auto sections = s.sections();
    ASSERT_TRUE(sections.ok());
    EXPECT_EQ(sections->size(), 2u);
    auto entries = s.entries("Window");
    ASSERT_TRUE(entries.ok());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].value, "-20");
    EXPECT_TRUE((*entries)[0].integer);
}

} // namespace
