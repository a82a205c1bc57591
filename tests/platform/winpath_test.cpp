#include "platform/base/winpath.h"

#include <gtest/gtest.h>

using namespace zrv;

namespace {

DirectoryState dirs() {
    DirectoryState d;
    d.currentDrive = 'C';
    d.perDrive['C' - 'A'] = "C:\\WINDOWS\\SYSTEM";
    d.perDrive['A' - 'A'] = "A:\\DISK1";
    return d;
}

struct Case {
    const char* name;
    const char* input;
    const char* expected;
};

class FullPath : public ::testing::TestWithParam<Case> {};

TEST_P(FullPath, Normalises) {
    auto r = fullPath(GetParam().input, dirs());
    ASSERT_TRUE(r.ok()) << r.error().describe();
    EXPECT_EQ(r->text(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FullPath,
    ::testing::Values(Case{"Absolute", "C:\\A\\B", "C:\\A\\B"},
                      Case{"LowerDrive", "d:\\x", "D:\\x"},
                      Case{"Relative", "FILE.TXT", "C:\\WINDOWS\\SYSTEM\\FILE.TXT"},
                      Case{"RootRelative", "\\TEMP\\X", "C:\\TEMP\\X"},
                      Case{"DriveRelative", "A:SETUP.SCR", "A:\\DISK1\\SETUP.SCR"},
                      Case{"ForwardSlashes", "C:/Program Files/App", "C:\\Program Files\\App"},
                      Case{"DotsVanish", "C:\\A\\.\\B\\..\\C", "C:\\A\\C"},
                      Case{"DotDotStopsAtRoot", "C:\\..\\..\\..\\etc", "C:\\etc"},
                      Case{"RelativeDotDot", "..\\..\\..\\..\\X", "C:\\X"},
                      Case{"DoubledSeparators", "C:\\\\A//B\\", "C:\\A\\B"},
                      Case{"TrailingDotsAndBlanks", "C:\\NAME. . ", "C:\\NAME"},
                      Case{"RootOnly", "C:\\", "C:\\"},
                      Case{"DriveOnly", "C:", "C:\\WINDOWS\\SYSTEM"},
                      Case{"CaseKept", "c:\\Mixed\\Case.Txt", "C:\\Mixed\\Case.Txt"}),
    [](const auto& info) { return info.param.name; });

struct Bad {
    const char* name;
    std::string input;
    WinError code;
};

class FullPathRefuses : public ::testing::TestWithParam<Bad> {};

TEST_P(FullPathRefuses, WithTheRightError) {
    auto r = fullPath(GetParam().input, dirs());
    ASSERT_FALSE(r.ok()) << r->text();
    EXPECT_EQ(r.code(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FullPathRefuses,
    ::testing::Values(Bad{"Empty", "", WinError::PathNotFound},
                      Bad{"EmbeddedNul", std::string("C:\\A\0B", 6), WinError::FileNotFound},
                      Bad{"Unc", "\\\\server\\share\\x", WinError::PathNotFound},
                      Bad{"DeviceNamespace", "\\\\.\\PhysicalDrive0", WinError::PathNotFound},
                      Bad{"DeviceName", "C:\\CON", WinError::FileNotFound},
                      Bad{"DeviceWithExtension", "C:\\TEMP\\nul.txt", WinError::FileNotFound},
                      Bad{"DeviceInMiddle", "C:\\LPT1\\X", WinError::FileNotFound},
                      Bad{"ComPort", "com3", WinError::FileNotFound},
                      Bad{"Wildcard", "C:\\*.TXT", WinError::InvalidName},
                      Bad{"Colon", "C:\\A:stream", WinError::InvalidName},
                      Bad{"ControlCharacter", "C:\\A\x01", WinError::InvalidName},
                      Bad{"Pipe", "C:\\A|B", WinError::InvalidName},
                      Bad{"LongComponent", "C:\\" + std::string(256, 'x'), WinError::FilenameTooLong},
                      Bad{"LongPath", "C:\\" + std::string(200, 'x') + "\\" + std::string(60, 'y'),
                          WinError::FilenameTooLong}),
    [](const auto& info) { return info.param.name; });

TEST(FullPathPattern, AllowsWildcardsOnlyInTheLastName) {
    EXPECT_TRUE(fullPath("C:\\WINDOWS\\*.INI", dirs(), PathUse::Pattern).ok());
    EXPECT_EQ(fullPath("C:\\*\\X", dirs(), PathUse::Pattern).code(), WinError::InvalidName);
    // A pattern keeps its trailing dot, which means "names without an extension".
    EXPECT_EQ(fullPath("C:\\*.", dirs(), PathUse::Pattern)->text(), "C:\\*.");
}

TEST(DeviceNames, AreRecognisedWhateverTheirCase) {
    for (const char* n : {"con", "Prn", "AUX", "nul", "COM1", "lpt9", "CLOCK$", "NUL.TXT", "con .x"})
        EXPECT_TRUE(isDeviceName(n)) << n;
    for (const char* n : {"CONFIG.SYS", "COM0", "COM10", "LPT", "NULL", "AUXILIARY"})
        EXPECT_FALSE(isDeviceName(n)) << n;
}

} // namespace
