#include "interpreter/engine/captions.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/variables.h"

#include <gtest/gtest.h>

using namespace zrv::engine;

namespace {

VariableTable table() {
    VariableTable t([](std::string_view name) { return name == "PATH" ? std::string("C:\\WINDOWS") : std::string(); });
    return t;
}

TEST(Variables, NamesAreUpperCasedAndEmptyValuesDelete) {
    VariableTable t = table();
    EXPECT_EQ(t.SetVariable("a", "1"), 0);
    EXPECT_EQ(t.GetVariable("A"), "1");
    EXPECT_EQ(t.SetVariable("A", ""), 0);
    EXPECT_EQ(t.GetVariable("a"), "");
    EXPECT_EQ(t.GetVariable("path"), "C:\\WINDOWS");
    EXPECT_EQ(t.SetVariable("PATH", "mine"), 0);
    EXPECT_EQ(t.GetVariable("PATH"), "mine");
}

TEST(Variables, FiftySlots) {
    VariableTable t = table();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(t.SetVariable("V" + std::to_string(i), "x"), 0);
    EXPECT_EQ(t.SetVariable("ONEMORE", "x"), kErrOutOfVariables);
    EXPECT_EQ(t.SetVariable("V7", "replaced"), 0);
    EXPECT_EQ(t.SetVariable("V8", ""), 0);
    EXPECT_EQ(t.SetVariable("ONEMORE", "x"), 0);
}

TEST(Variables, NumbersAreStoredUnsigned) {
    VariableTable t = table();
    EXPECT_EQ(t.SetVariableNumber("N", -5), 0);
    EXPECT_EQ(t.GetVariable("N"), "4294967291");
    EXPECT_EQ(t.GetVariableNumber("N"), -5);
    EXPECT_EQ(toNumber("  -12x"), -12);
    EXPECT_EQ(toNumber("abc"), 0);
}

TEST(Variables, NameExpansion) {
    VariableTable t = table();
    Captions captions;
    t.setCaptionKeys([&](std::string_view key) -> std::optional<std::string> {
        if (auto base = Captions::baseOfKey(key))
            return captions.lookup(*base, 44);
        return std::nullopt;
    });
    ASSERT_EQ(t.SetVariable("MYVAR", "mine"), 0);
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Press ##1", "Press #1"}, {"Disk #1", "Disk "}, {"a # b", "a  b"}, {"#NEXT# >", "&Next >"},
        {"#MYVAR#", "mine"},       {"#myvar#", "mine"},  {"#INSTVER#", "ZRVX32"}, {"plain", "plain"},
        {"#OK#/#CANCEL#", "&Ok/&Cancel"},
    };
    for (auto c : cases)
        EXPECT_EQ(t.ExpandNames(c.in), c.out) << c.in;
    captions.setLanguage("GERMAN");
    EXPECT_EQ(t.ExpandNames("#CONTINUE#"), "&Weiter");
}

TEST(Variables, DumpAndList) {
    VariableTable t = table();
    ASSERT_EQ(t.SetVariable("A", "1"), 0);
    ASSERT_EQ(t.SetVariable("B", "two"), 0);
    EXPECT_EQ(t.dump(), "\n*** Variables Dump ***\n\nA=1\nB=two\n");
    EXPECT_EQ(t.ListVariables(), (std::vector<std::string>{"  A = '1'", "  B = 'two'"}));
}

TEST(Captions, LanguageRuleAndFallback) {
    struct {
        int country;
        const char* browse;
    } cases[] = {{49, "&Durchsuchen"}, {39, "&Browse"}, {1, "&Browse"}, {33, "&Parcourir"}};
    for (auto c : cases) {
        Captions captions;
        EXPECT_EQ(captions.lookup(14230, c.country), c.browse) << c.country;
    }
    Captions it;
    EXPECT_TRUE(it.setLanguage("ITALIAN"));
    EXPECT_EQ(it.lookup(14230, 44), "&Browse");
    EXPECT_TRUE(it.setLanguage("DUTCH"));
    EXPECT_EQ(it.lookup(14240, 44), "Current Directory:");
    EXPECT_FALSE(it.setLanguage("ENGLISH"));
    EXPECT_EQ(it.index(), 6);
    EXPECT_EQ(it.lookup(14999, 44), "");
    Captions fr;
    fr.setLanguage("FRENCH");
    EXPECT_EQ(fr.lookup(14050, 44), "&R\xe9-essayer");
}

TEST(ErrorTexts, TheTableIsComplete) {
    EXPECT_EQ(errorText(10000), "Error %1 in line %2 of %3:\n\nInvalid command");
    EXPECT_EQ(errorText(10051), "Error %1: Unable to find or open script file:\n\n%3");
    EXPECT_EQ(errorText(10072), "Error %1 in line %2 of %3:\n\nInvalid de-install script section!");
    EXPECT_EQ(errorText(10007), "");
    int count = 0;
    for (int n = 10000; n <= 10072; ++n)
        count += !errorText(n).empty();
    EXPECT_EQ(count, 71);
}

} // namespace
