#include "authoring/build/runtime.h"
#include "platform/formats/peversion.h"

#include <gtest/gtest.h>

using namespace zrv;
using namespace zrv::build;

TEST(Runtime, StandInsArePeImagesWithTheKitsVersion) {
    for (const char* name : {"SETUP.EXE", "ZRVX32.EXE", "ZRVUNI.EXE", "CLEANUP.EXE", "CTL3D32.DLL", "REGSVR32.EXE"}) {
        const std::string image = standInFile(name);
        ASSERT_FALSE(image.empty()) << name;
        EXPECT_EQ(image.substr(0, 2), "MZ");
        auto v = readFileVersion(image);
        ASSERT_TRUE(v) << name;
        EXPECT_EQ(v->major(), 1);
        EXPECT_EQ(v->minor(), 0);
        // The role is readable in the version resource's strings (UTF-16).
        EXPECT_NE(image.find(std::string("F\0i\0l\0e\0D\0e\0s\0c", 16)), std::string::npos);
        EXPECT_EQ(standInFile(name), image); // the same bytes every time
    }
    EXPECT_NE(standInFile("ZRVX32.EXE"), standInFile("ZRVX16.EXE"));
    EXPECT_FALSE(standInFile("ZRVCMD.PIF").empty());
    EXPECT_TRUE(standInFile("OTHER.EXE").empty());
}
