#include "authoring/project/filelist.h"
#include "authoring/project/project.h"

#include <gtest/gtest.h>

using namespace zrv::authoring;

namespace {

ProjectData withFiles(std::initializer_list<std::uint32_t> masks) {
    ProjectData p = newProjectData(0, "c:\\d.bkd");
    int n = 0;
    for (auto m : masks) {
        FileEntry e = newFileEntry("C:\\F" + std::to_string(++n) + ".DLL", 0);
        e.options = m;
        p.files.push_back(e);
    }
    return p;
}

TEST(ProjectRules, NewDocumentsUseTheLanguagesTexts) {
    ProjectData en = newProjectData(1, "C:\\ZRVA32\\DEFAULT.BKD");
    EXPECT_EQ(en.text(DialogText::SetupMsg), "Starting %Application% Setup...");
    EXPECT_EQ(en.options, (std::vector<std::string>{"Install the %Application% software"}));
    EXPECT_EQ(en.objects, (std::vector<std::string>{"c:\\zrva32\\default.bkd"}));
    ProjectData fr = newProjectData(2, "x");
    EXPECT_EQ(fr.text(DialogText::Caption), "Installation");
    EXPECT_EQ(fr.text(DialogText::NextDisk), "Veuillez ins\xE9rer la disquette intitul\xE9" "e '$'"); // code page 1252
    for (int language = 0; language < kLanguages; ++language) {
        ProjectData p = newProjectData(language, "x");
        EXPECT_FALSE(checkProject(p)) << "language " << language << ": " << checkProject(p)->key;
        // The generator fills "$" in these two; every language must keep it.
        EXPECT_NE(p.text(DialogText::NextDisk).find('$'), std::string::npos);
        EXPECT_NE(p.text(DialogText::InUse1).find('$'), std::string::npos);
        EXPECT_NE(p.text(DialogText::SpaceCheck1).find("%Required%"), std::string::npos);
    }
}

TEST(ProjectRules, OptionalInstallations) {
    ProjectData p = withFiles({0b1011, 0b0100, 0b1111});
    p.options = {"A", "B", "C", "D"};
    EXPECT_EQ(addOption(p, "A")->number, 10012);
    ASSERT_FALSE(deleteOption(p, 1)); // B: later bits move down, earlier stay
    EXPECT_EQ(p.options, (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(p.files[0].options, 0b101u);
    EXPECT_EQ(p.files[1].options, 0b010u);
    EXPECT_EQ(p.files[2].options, 0b111u);
    EXPECT_EQ(modifyOption(p, 5, "X")->number, 10013);
    EXPECT_EQ(modifyOption(p, 0, "C")->number, 10012);
    EXPECT_FALSE(modifyOption(p, 0, "A"));
    EXPECT_FALSE(modifyOption(p, 0, "Z"));
    while (p.options.size() < 15)
        ASSERT_FALSE(addOption(p, "O" + std::to_string(p.options.size())));
    EXPECT_EQ(addOption(p, "Sixteen")->number, 10029);
    ProjectData one = withFiles({1});
    EXPECT_TRUE(deleteOption(one, 0)); // a project keeps one installation
    EXPECT_EQ(one.options.size(), 1u);
}

TEST(ProjectRules, DirectoriesKeepTheMainOneFirst) {
    ProjectData p = newProjectData(0, "x");
    ASSERT_FALSE(addDirectory(p, "%InstallPath%\\A"));
    ASSERT_FALSE(addDirectory(p, "%InstallPath%\\B"));
    EXPECT_EQ(addDirectory(p, "%InstallPath%\\A")->number, 10030);
    EXPECT_EQ(modifyDirectory(p, 0, "X")->number, 10032);
    EXPECT_EQ(deleteDirectory(p, 0)->number, 10033);
    EXPECT_EQ(moveDirectory(p, 0, false)->number, 10034);
    EXPECT_EQ(moveDirectory(p, 1, true)->number, 10034);
    EXPECT_EQ(modifyDirectory(p, 9, "X")->number, 10031);
    EXPECT_EQ(modifyDirectory(p, 1, "%InstallPath%\\B")->number, 10030);
    ASSERT_FALSE(moveDirectory(p, 2, false)); // the last does not move down
    ASSERT_FALSE(moveDirectory(p, 2, true));
    EXPECT_EQ(p.directories, (std::vector<std::string>{"%InstallPath%", "%InstallPath%\\B", "%InstallPath%\\A"}));
    ASSERT_FALSE(deleteDirectory(p, 1));
    while (p.directories.size() < 16)
        ASSERT_FALSE(addDirectory(p, "D" + std::to_string(p.directories.size())));
    EXPECT_EQ(addDirectory(p, "Seventeen")->number, 10036);
}

TEST(ProjectRules, TheDependencyCheckSelectsWhatFilesNeed) {
    ProjectData p = withFiles({1, 1, 1});
    p.runtime.fill(0);
    p.files[0].action = 2;
    p.files[1].action = 7;
    p.files[2].action = 1;
    EXPECT_TRUE(dependencyCheck(p));
    EXPECT_EQ(p.runtime, (std::array<int, kRuntimeCount>{1, 0, 0, 0, 0, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(p.files[0].shared, 1);
    EXPECT_EQ(p.files[2].shared, 1);
    EXPECT_FALSE(dependencyCheck(p));
    p.runtimeFile(Runtime::Interpreter16) = 1;
    EXPECT_TRUE(dependencyCheck(p));
    EXPECT_EQ(p.runtimeFile(Runtime::RegSvr), 1);
}

TEST(ProjectRules, RequiredSpacePerOptionRoundsPastTheNextKilobyte) {
    ProjectData p = withFiles({0b01, 0b11, 0b10});
    p.options = {"A", "B"};
    p.files[1].compress = 1;
    p.files[2].compress = 1;
    p.extraSpace = 1024;
    const std::uint64_t sizes[] = {1000, 2048, 5000};
    auto space = requiredSpace(p, [&](const std::string& s) { return sizes[s[4] - '1']; });
    ASSERT_EQ(space.size(), 2u);
    EXPECT_EQ(space[0], ((1000 + 2048 + 2048 + 1024) / 1024 + 1) * 1024u);
    EXPECT_EQ(space[1], 13312u); // 2048 + 5000 + 5000 + 1024 = 13072
    p.files.clear();
    p.extraSpace = 2048;
    EXPECT_EQ(requiredSpace(p, [](const std::string&) { return 0; })[0], 3072u); // an exact multiple gains 1 K
}

TEST(ProjectRules, NewFileEntriesAndTheirProperties) {
    FileEntry e = newFileEntry("C:\\APP\\README", 3);
    EXPECT_EQ(e.source, "C:\\APP\\README.");
    EXPECT_EQ(e.extension, "_");
    EXPECT_EQ(e.target, "%InstallPath%");
    EXPECT_EQ(e.comment, "Kopiere:");
    EXPECT_EQ(e.usage, 1);
    EXPECT_EQ(e.options, 1u);

    ProjectData p = withFiles({1, 1});
    EXPECT_EQ(findFile(p, "c:\\f2.dll"), 1);
    p.runtime = {1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0};
    ASSERT_FALSE(setFileProperty(p, 0, "action", "2"));
    EXPECT_EQ(p.files[0].shared, 1);
    EXPECT_EQ(p.runtimeFile(Runtime::RegSvr), 1);
    EXPECT_EQ(p.runtimeFile(Runtime::RegSvr32), 1);
    ASSERT_FALSE(setFileProperty(p, 0, "shared", "0"));
    EXPECT_EQ(p.files[0].shared, 1); // an OLE server stays registered as shared
    ASSERT_FALSE(setFileProperty(p, 1, "Action", "7"));
    EXPECT_EQ(p.runtimeFile(Runtime::ZrvCmdPif), 1);
    ASSERT_FALSE(setFileProperty(p, 1, "usage", "0"));
    ASSERT_FALSE(setFileProperty(p, 1, "overwrite", "3"));
    EXPECT_EQ(p.files[1].usage, 1); // as reading the file would make it
    const ProjectData before = p;
    EXPECT_TRUE(setFileProperty(p, 1, "action", "8"));
    EXPECT_TRUE(setFileProperty(p, 1, "usage", "yes"));
    EXPECT_TRUE(setFileProperty(p, 1, "icontext", std::string(41, 'x')));
    EXPECT_TRUE(setFileProperty(p, 1, "comment", "two\r\nlines"));
    EXPECT_TRUE(setFileProperty(p, 1, "options", "-1"));
    EXPECT_TRUE(setFileProperty(p, 1, "colour", "1"));
    EXPECT_EQ(p, before);
    ASSERT_FALSE(setFileProperty(p, 1, "options", "4294967295"));
    EXPECT_EQ(p.files[1].options, 0xFFFFFFFFu);
}

TEST(ProjectRules, DeletingAnObjectClearsItsCueCardsByExactName) {
    ProjectData p = withFiles({1, 1, 1});
    p.objects = {"c:\\a.bkd", "C:\\CARD.CUE"};
    p.files[0].cueCard = "Card";
    p.files[1].cueCard = "CARD";
    p.files[2].cueCard = "Other";
    deleteObject(p, 1, "Card");
    EXPECT_EQ(p.objects, (std::vector<std::string>{"c:\\a.bkd"}));
    EXPECT_EQ(p.files[0].cueCard, "");
    EXPECT_EQ(p.files[1].cueCard, "CARD");
    EXPECT_EQ(p.files[2].cueCard, "Other");
}

TEST(FileList, PathsAreShortenedAroundTheirLastComponent) {
    // 40 characters, last component with its backslash 10: the first 23, "..", the component.
    const std::string path = "C:\\PROGRAMS\\VENDOR\\PRODUCT\\BIN\\MAIN1.EXE";
    ASSERT_EQ(path.size(), 40u);
    EXPECT_EQ(shortenedPath(path), "C:\\PROGRAMS\\VENDOR\\PROD..\\MAIN1.EXE   ");
    EXPECT_EQ(shortenedPath("C:\\A.EXE"), "C:\\A.EXE" + std::string(30, ' '));
    const std::string longName = "C:\\" + std::string(40, 'N') + ".EXE";
    EXPECT_EQ(shortenedPath(longName), std::string(31, 'N') + ".EXE   ");
}

TEST(FileList, DescriptionsNameTheFlagsInOrder) {
    FileEntry e;
    e.unprotect = e.protect = 1;
    e.overwrite = 2;
    e.checkInUse = e.usage = e.compress = e.optional = e.shared = 1;
    e.makeIcon = 1;
    e.iconText = "My App";
    EXPECT_EQ(installDescription(e),
              "(Un)protect, Confirm Overwrite, Check Use, Display In Gauge, Compress, Optional, Registry, "
              "Icon 'My App'");
    FileEntry plain;
    plain.protect = 1;
    EXPECT_EQ(installDescription(plain), "Protect");
    plain.protect = 0;
    plain.makeIcon = 1;
    EXPECT_EQ(installDescription(plain), "Icon ''");
}

} // namespace
