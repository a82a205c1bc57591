#include "platform/base/ini.h"
#include "platform/profile/profile.h"

#include "tests/support/testing.h"

using namespace zrv;
using namespace zrv::testing;

namespace {

class Profile : public MachineTest {};

constexpr const char* kSample = "; comment=ignored\r\n"
                                "[App]\r\n"
                                "  Path = C:\\APP  \r\n"
                                "Quoted=\"  spaced  \"\r\n"
                                "Single='x'\r\n"
                                "Half=\"open\r\n"
                                "garbage line\r\n"
                                "Number= -42abc\r\n"
                                "Big=4294967295\r\n"
                                "Empty=\r\n"
                                "\r\n"
                                "[Other]\r\n"
                                "Path=other\r\n";

TEST_F(Profile, ReadsWithTheSemanticsOfTheWin32Functions) {
    put("C:\\WINDOWS\\APP.INI", kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"App", "Path", "C:\\APP"},      {"app", "PATH", "C:\\APP"},   {"App", "Quoted", "  spaced  "},
        {"App", "Single", "x"},          {"App", "Half", "\"open"},    {"App", "garbage line", "DEF"},
        {"App", "Empty", ""},            {"App", "Missing", "DEF"},    {"Other", "Path", "other"},
        {"Nope", "Path", "DEF"},         {"App", "; comment", "DEF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(getPrivateProfileString(*m, c.section, c.key, "DEF", "APP.INI"), c.expected)
            << c.section << "/" << c.key;
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Number", 7, "app.ini"), -42);
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Big", 7, "app.ini"), -1);
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Path", 7, "app.ini"), 0);
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Empty", 7, "app.ini"), 7);
    EXPECT_EQ(getPrivateProfileInt(*m, "App", "Missing", 7, "app.ini"), 7);
    // The base prefixes Windows NT takes; a digit beyond the base ends the number.
    put("C:\\WINDOWS\\NUM.INI", "[N]\r\nhex=0x1F\r\nneg=-0XfF\r\noct=0o17\r\nbin=0b1012\r\nbare=0x\r\nlead=007\r\n");
    for (auto [key, expected] : {std::pair{"hex", 31}, {"neg", -255}, {"oct", 15}, {"bin", 5}, {"bare", 0}, {"lead", 7}})
        EXPECT_EQ(getPrivateProfileInt(*m, "N", key, 9, "NUM.INI"), expected) << key;
    EXPECT_EQ(getPrivateProfileString(*m, "App", "Path", "DEF", "C:\\NOFILE.INI"), "DEF");
    EXPECT_EQ(getProfileInt(*m, "Intl", "iCountry", 1), 44);
    EXPECT_EQ(getPrivateProfileSectionNames(*m, "APP.INI"), (std::vector<std::string>{"App", "Other"}));
}

TEST_F(Profile, WritesCreateTheFileAndSectionAndKeepTheRest) {
    ASSERT_TRUE(writePrivateProfileString(*m, "Install", "Path", "C:\\APP", "NEW.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\NEW.INI"), "[Install]\r\nPath=C:\\APP\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "install", "Version", "2", "NEW.INI").ok());
    ASSERT_TRUE(writePrivateProfileString(*m, "INSTALL", "PATH", "D:\\APP", "NEW.INI").ok());
    ASSERT_TRUE(writePrivateProfileString(*m, "Other", "A", "1", "NEW.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\NEW.INI"), "[Install]\r\nPath=D:\\APP\r\nVersion=2\r\n\r\n[Other]\r\nA=1\r\n");

    put("C:\\WINDOWS\\KEEP.INI", "; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "A", "z", "3", "KEEP.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\KEEP.INI"), "; keep me\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(Profile, NoValueDeletesTheKeyAndNoKeyDeletesTheSection) {
    put("C:\\WINDOWS\\DEL.INI", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "a", "X", std::nullopt, "DEL.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\DEL.INI"), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "A", std::nullopt, std::nullopt, "DEL.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\DEL.INI"), "[B]\r\nz=3\r\n");
    // Deleting from a file that does not exist creates nothing.
    ASSERT_TRUE(writePrivateProfileString(*m, "A", "x", std::nullopt, "NONE.INI").ok());
    EXPECT_FALSE(m->exists("C:\\WINDOWS\\NONE.INI"));
}

TEST_F(Profile, FileNamesWithADirectoryAreTakenAsGiven) {
    ASSERT_TRUE(m->setCurrentDirectory("C:\\Program Files").ok());
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "k", "v", "C:\\APP.INI").ok());
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "k", "v", ".\\LOCAL.INI").ok());
    EXPECT_TRUE(m->exists("C:\\APP.INI"));
    EXPECT_TRUE(m->exists("C:\\Program Files\\LOCAL.INI"));
    EXPECT_EQ(profileFilePath(*m, "SYSTEM.INI"), "C:\\WINDOWS\\SYSTEM.INI");
}

TEST_F(Profile, AFailedWriteLeavesTheFileWhole) {
    put("C:\\WINDOWS\\RO.INI", "[A]\r\nx=1\r\n");
    ASSERT_TRUE(m->setAttributes("C:\\WINDOWS\\RO.INI", FileAttribute::ReadOnly).ok());
    EXPECT_FALSE(writePrivateProfileString(*m, "A", "x", "2", "RO.INI").ok());
    EXPECT_FALSE(writePrivateProfileString(*m, "A", "y", "2", "RO.INI").ok()); // would be added at the end
    EXPECT_EQ(get("C:\\WINDOWS\\RO.INI"), "[A]\r\nx=1\r\n");
    // Added at the end of a file of our own; the end of a file that is not
    // (a line without its CR LF) has it written whole.
    put("C:\\WINDOWS\\END.INI", "[A]\r\nx=1");
    ASSERT_TRUE(writePrivateProfileString(*m, "A", "y", "2", "END.INI").ok());
    ASSERT_TRUE(writePrivateProfileString(*m, "A", "z", "3", "END.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\END.INI"), "[A]\r\nx=1\r\ny=2\r\nz=3\r\n");
    EXPECT_FALSE(m->files().appendFile("C:\\WINDOWS\\NONE.INI", "x").ok());
    EXPECT_FALSE(writePrivateProfileString(*m, "A", "x", "2", "C:\\NODIR\\X.INI").ok());
}

// A run keeps the text of the profiles it uses; every other way the file
// changes must still show.
TEST_F(Profile, WhatARunKeepsOfAFileFollowsEveryChangeToIt) {
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "k", "1", "KEPT.INI").ok());
    EXPECT_EQ(getPrivateProfileString(*m, "S", "k", "", "KEPT.INI"), "1");
    {
        auto f = m->openFile("C:\\WINDOWS\\KEPT.INI", Access::ReadWrite, Disposition::OpenExisting);
        ASSERT_TRUE(f.ok());
        ASSERT_TRUE(f->write("[S]\r\nk=2", 8).ok()); // the same size, in place
    }
    EXPECT_EQ(getPrivateProfileString(*m, "S", "k", "", "KEPT.INI"), "2");
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "j", "3", "KEPT.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\KEPT.INI"), "[S]\r\nk=2\r\nj=3\r\n");
    // Replaced or deleted behind the run's back.
    writeHost(cHost() / "WINDOWS" / "KEPT.INI", "[S]\r\nk=4\r\n");
    EXPECT_EQ(getPrivateProfileString(*m, "S", "k", "", "KEPT.INI"), "4");
    EXPECT_EQ(getPrivateProfileString(*m, "S", "j", "none", "KEPT.INI"), "none");
    ASSERT_TRUE(m->deleteFile("C:\\WINDOWS\\KEPT.INI").ok());
    EXPECT_EQ(getPrivateProfileString(*m, "S", "k", "gone", "KEPT.INI"), "gone");
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "k", "5", "KEPT.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\KEPT.INI"), "[S]\r\nk=5\r\n");
    // Changed behind its back (the same size) and written at once: the write starts from the change.
    writeHost(cHost() / "WINDOWS" / "KEPT.INI", "[S]\r\nk=6\r\n");
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "j", "7", "KEPT.INI").ok());
    EXPECT_EQ(get("C:\\WINDOWS\\KEPT.INI"), "[S]\r\nk=6\r\nj=7\r\n");
    // The same name on another machine is another file.
    TempDir other;
    auto m2 = Machine::open(other.path() / "m");
    ASSERT_TRUE(m2.ok());
    EXPECT_EQ(getPrivateProfileString(**m2, "S", "k", "none", "KEPT.INI"), "none");
}

// Where Windows' documentation and other implementations part, the readings
// taken: first occurrences, trimmed names and defaults, odd lines.
TEST_F(Profile, FirstOccurrencesTrimmedNamesAndOddLines) {
    put("C:\\WINDOWS\\DUP.INI", "Before=1\r\n"
                                  "[S]\r\nK=first\r\nK=second\r\nL=1\r\n"
                                  "[S]\r\nK=third\r\nM=later\r\n"
                                  "[CR]\rX=1\r\n"
                                  "[Open\r\nO=1\r\n");
    EXPECT_EQ(getPrivateProfileString(*m, "S", "K", "", "DUP.INI"), "first");
    EXPECT_EQ(getPrivateProfileString(*m, "S", "M", "none", "DUP.INI"), "none"); // only the first [S]
    EXPECT_EQ(getPrivateProfileString(*m, "  S ", " K  ", "", "DUP.INI"), "first");
    EXPECT_EQ(getPrivateProfileString(*m, "S", "Missing", "def  ", "DUP.INI"), "def");
    EXPECT_EQ(getPrivateProfileKeys(*m, "S", "DUP.INI"), (std::vector<std::string>{"K", "K", "L"}));
    // A key before every section belongs to none; a lone CR ends a line, so
    // [CR] holds X; an unclosed header still opens its section.
    EXPECT_EQ(getPrivateProfileString(*m, "", "Before", "none", "DUP.INI"), "none");
    EXPECT_EQ(getPrivateProfileString(*m, "CR", "X", "none", "DUP.INI"), "1");
    EXPECT_EQ(getPrivateProfileSectionNames(*m, "DUP.INI"), (std::vector<std::string>{"S", "S", "CR", "Open"}));
    EXPECT_EQ(getPrivateProfileString(*m, "Open", "O", "none", "DUP.INI"), "1");
    // Writes and deletes change the first occurrence only.
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "K", "new", "DUP.INI"));
    ASSERT_TRUE(writePrivateProfileString(*m, " S", "L", std::nullopt, "DUP.INI"));
    ASSERT_TRUE(writePrivateProfileString(*m, "S", "K", std::nullopt, "DUP.INI"));
    EXPECT_EQ(getPrivateProfileKeys(*m, "S", "DUP.INI"), (std::vector<std::string>{"K"}));
    EXPECT_EQ(getPrivateProfileString(*m, "S", "K", "", "DUP.INI"), "second");
    ASSERT_TRUE(writePrivateProfileString(*m, "S", std::nullopt, std::nullopt, "DUP.INI"));
    EXPECT_EQ(getPrivateProfileString(*m, "S", "K", "", "DUP.INI"), "third"); // the second [S] is first now
}

TEST(IniDocument, KeepsLinesItDoesNotUnderstand) {
    auto doc = IniDocument::parse("junk\n[S]\nnot a key\nk=v\n");
    EXPECT_TRUE(doc.set("S", "k", "w"));
    EXPECT_FALSE(doc.set("S", "k", "w"));
    EXPECT_EQ(doc.serialize(), "junk\r\n[S]\r\nnot a key\r\nk=w\r\n");
    EXPECT_EQ(doc.keys("S"), std::vector<std::string>{"k"});
}

// A document kept for a run remembers where its sections and keys are; after
// any mix of changes it must answer as one read afresh from its own text.
TEST(IniDocument, AKeptDocumentAnswersAsOneReadAfresh) {
    const std::vector<std::string> sections = {"A", "b", " B ", "C", "[x", "Ÿ", "ÿ"};
    const std::vector<std::string> keys = {"k", "K", " k ", "m", "n", "ÿ"};
    auto kept = IniDocument::parse("[A]\nk=1\n\n[B]\nm=2\n[A]\nk=late\n[C]\n\n");
    std::uint32_t seed = 12345;
    auto next = [&](std::size_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 3000; ++step) {
        IniDocument fresh = IniDocument::parse(kept.serialize());
        const std::string& section = sections[next(sections.size())];
        const std::string& key = keys[next(keys.size())];
        const std::string value = std::to_string(step);
        switch (next(8)) {
        case 0: case 1: case 2: {
            bool a = false, b = false;
            ASSERT_EQ(kept.set(section, key, value, &a), fresh.set(section, key, value, &b)) << step;
            ASSERT_EQ(a, b) << step;
            break;
        }
        case 3: ASSERT_EQ(kept.removeKey(section, key), fresh.removeKey(section, key)) << step; break;
        case 4:
            if (next(4) == 0) {
                ASSERT_EQ(kept.removeSection(section), fresh.removeSection(section)) << step;
            }
            break;
        case 5: ASSERT_EQ(kept.addEntryLine(section, key + "=" + value), fresh.addEntryLine(section, key + "=" + value)); break;
        default: break;
        }
        ASSERT_EQ(kept.serialize(), fresh.serialize()) << step;
        for (const std::string& s : sections) {
            ASSERT_EQ(kept.keys(s), fresh.keys(s)) << step << " " << s;
            for (const std::string& k : keys)
                ASSERT_EQ(kept.get(s, k), fresh.get(s, k)) << step << " " << s << " " << k;
        }
    }
}

} // namespace

namespace {

struct EntryLineCase {
    const char* name;
    const char* before;
    bool add; // else remove
    const char* after;
    bool changed;
};

class EntryLines : public ::testing::TestWithParam<EntryLineCase> {};

TEST_P(EntryLines, EditOnlyTheLinesOfTheirSection) {
    const EntryLineCase& c = GetParam();
    IniDocument doc = IniDocument::parse(c.before);
    bool changed = c.add ? doc.addEntryLine("386Enh", "device=vxd.386") : doc.removeEntryLines("386Enh", "device=vxd.386");
    EXPECT_EQ(doc.serialize(), c.after);
    EXPECT_EQ(changed, c.changed);
}

INSTANTIATE_TEST_SUITE_P(
    Document, EntryLines,
    ::testing::Values(
        EntryLineCase{"AddsBeforeTheNextSection", "[386Enh]\r\ndevice=a.386\r\n[x]\r\n", true,
                      "[386Enh]\r\ndevice=a.386\r\ndevice=vxd.386\r\n[x]\r\n", true},
        EntryLineCase{"AddsBeforeABlankLine", "[386Enh]\r\ndevice=a.386\r\n\r\nb=1\r\n", true,
                      "[386Enh]\r\ndevice=a.386\r\ndevice=vxd.386\r\n\r\nb=1\r\n", true},
        EntryLineCase{"AddsAtTheEndOfTheLastSection", "[386Enh]\r\ndevice=a.386", true,
                      "[386Enh]\r\ndevice=a.386\r\ndevice=vxd.386\r\n", true},
        EntryLineCase{"KeepsAnEntryAlreadyThereInAnyCase", "[386ENH]\r\nDEVICE=VXD.386\r\n", true,
                      "[386ENH]\r\nDEVICE=VXD.386\r\n", false},
        EntryLineCase{"MakesTheSectionAfterABlankLine", "[boot]\r\nshell=x", true,
                      "[boot]\r\nshell=x\r\n\r\n[386Enh]\r\ndevice=vxd.386\r\n", true},
        EntryLineCase{"MakesTheFileOfNothing", "", true, "[386Enh]\r\ndevice=vxd.386\r\n", true},
        EntryLineCase{"RemovesFromEverySectionOfTheName",
                      "[386Enh]\r\ndevice=vxd.386\r\n[x]\r\ndevice=vxd.386\r\n[386enh]\r\ndevice=VXD.386\r\n", false,
                      "[386Enh]\r\n[x]\r\ndevice=vxd.386\r\n[386enh]\r\n", true},
        EntryLineCase{"RemovesNothingOutsideASection", "device=vxd.386\r\n", false, "device=vxd.386\r\n", false}),
    [](const ::testing::TestParamInfo<EntryLineCase>& info) { return info.param.name; });

} // namespace
