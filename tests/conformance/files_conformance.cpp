// The file formats Windows programs read: SZDD files through the LZ expansion
// functions, shell links through the shell link object, file versions through
// the version functions.
#include "platform/formats/lz.h"
#include "platform/formats/peversion.h"
#include "platform/formats/shelllink.h"
#include "tests/conformance/compare.h"
#include "tests/conformance/wine.h"
#include "tests/support/images.h"
#include "tests/support/testing.h"

#include <cstdlib>
#include <functional>
#include <random>

using namespace zrv;
using namespace zrv::conformance;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

using Check = std::function<void(const std::vector<std::string>&)>;

void runChecks(WineProbe& wine, const std::vector<Check>& checks) {
    auto results = wine.run();
    for (const auto& c : checks)
        c(results);
}

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// ---------------------------------------------------------------------------
// SZDD expansion

std::vector<std::pair<std::string, std::string>> lzInputs() {
    std::mt19937 random(7);
    std::string noise(70000, '\0'), text, window;
    for (char& c : noise)
        c = static_cast<char>(random());
    for (int i = 0; i < 5000; ++i)
        text += "Line " + std::to_string(i % 97) + " of the readme, said again and again.\r\n";
    for (int i = 0; i < 20; ++i)
        for (int b = 0; b < 256; ++b)
            window += static_cast<char>(b);
    return {{"empty", ""},
            {"one-byte", "A"},
            {"text", text},
            {"noise", noise},
            {"zeros-then-window", std::string(4096, '\0') + window + std::string(5000, '\x20')},
            {"every-byte", window}};
}

// What the machine's expanding reader gives for a file, or "<error>".
std::string expandThroughMachine(Machine& m, const std::string& bytes) {
    {
        auto f = m.openFile("C:\\PACKED.BI_", Access::Write, Disposition::CreateAlways);
        if (!f || !f->write(bytes.data(), bytes.size()))
            return "<cannot write>";
    }
    auto f = m.openFile("C:\\PACKED.BI_", Access::Read, Disposition::OpenExisting);
    auto reader = f ? openExpanding(std::move(*f)) : Result<std::unique_ptr<ByteReader>>(f.error());
    if (!reader)
        return "<error>";
    std::string out;
    char buf[65536];
    for (;;) {
        auto n = (*reader)->read(buf, sizeof buf);
        if (!n)
            return "<error>";
        if (*n == 0)
            return out;
        out.append(buf, *n);
    }
}

class Szdd : public MachineTest {};

TEST_F(Szdd, WineExpandsWhatBothCompressorsWrite) {
    WineProbe wine;
    std::vector<Check> checks;
    auto expandBoth = [&](const std::string& id, const std::string& compressed) {
        fs::path packed = dir.path() / (id + ".PK_"), unpacked = dir.path() / (id + ".OUT");
        writeHost(packed, compressed);
        std::size_t at = wine.add({"lz", WineProbe::winePath(packed), WineProbe::winePath(unpacked)});
        std::string ours = expandThroughMachine(*m, compressed);
        checks.push_back([=](const std::vector<std::string>& r) {
            std::string theirs = r[at].rfind('-', 0) == 0 || r[at].rfind("open", 0) == 0 ? "<error>" : readHost(unpacked);
            compare("szdd/" + id, ours, theirs);
        });
    };
    for (const auto& [name, data] : lzInputs()) {
        auto ours = szddCompress(data, 'K');
        ASSERT_TRUE(ours.ok()) << name;
        expandBoth("ours-" + name, *ours);
        // The other compressor writes the same format independently.
        fs::path plain = dir.path() / (name + ".src"), packed = dir.path() / (name + ".sr_");
        writeHost(plain, data);
        ASSERT_TRUE(shell("mscompress '" + plain.string() + "'")) << "mscompress (scripts/install-deps installs it)";
        expandBoth("mscompress-" + name, readHost(packed));
        if (data.size() > 100) {
            std::string cut = ours->substr(0, ours->size() / 2);
            expandBoth("truncated-" + name, cut);
        }
    }
    expandBoth("not-compressed", "plain bytes pass through\r\n");
    runChecks(wine, checks);
}

// ---------------------------------------------------------------------------
// Shell links

std::string fields(const ShellLink& l) {
    return l.target + "\t" + l.arguments + "\t" + l.workingDirectory + "\t" + l.iconFile + "\t" +
           std::to_string(l.iconIndex) + "\t" + l.description + "\t" + std::to_string(l.showCommand);
}

const ShellLink kLinks[] = {
    {"C:\\WINDOWS\\NOTEPAD.EXE", "", "C:\\WINDOWS", "", 0, "Notepad", 1},
    {"C:\\APPS\\TOOL.EXE", "/x \"a file.txt\"", "C:\\APPS", "C:\\APPS\\TOOL.EXE", 3, "Tool", 7},
    {"C:\\Program Files\\My App\\App.exe", "", "", "C:\\Program Files\\My App\\App.ico", 0, "My App", 3},
    {"C:\\APPS\\CAFE.EXE", "-v", "C:\\APPS", "", 0, "Caf\xe9 \xa9 r\xe9sum\xe9", 1},
    {"C:\\A.BAT", "", "", "", 0, "", 1},
};

TEST(ShellLinks, WineReadsOursAndWeReadWines) {
    TempDir dir;
    WineProbe wine;
    std::vector<Check> checks;
    for (std::size_t i = 0; i < std::size(kLinks); ++i) {
        const ShellLink& l = kLinks[i];
        fs::path ours = dir.path() / ("ours" + std::to_string(i) + ".lnk");
        writeHost(ours, writeShellLink(l));
        std::size_t at = wine.add({"linkread", WineProbe::winePath(ours)});
        std::string id = "shell-link/read-ours-" + std::to_string(i);
        checks.push_back([=](const std::vector<std::string>& r) { compare(id, fields(l), r[at]); });

        fs::path theirs = dir.path() / ("wine" + std::to_string(i) + ".lnk");
        std::size_t made = wine.add({"linkwrite", WineProbe::winePath(theirs), l.target, l.arguments,
                                     l.workingDirectory, l.iconFile, std::to_string(l.iconIndex), l.description,
                                     std::to_string(l.showCommand)});
        std::string back = "shell-link/read-wines-" + std::to_string(i);
        checks.push_back([=](const std::vector<std::string>& r) {
            ASSERT_EQ(r[made], "00000000") << "Wine did not save the link";
            auto read = readShellLink(readHost(theirs));
            compare(back, read ? fields(*read) : "<unreadable>", fields(l));
        });
    }
    runChecks(wine, checks);
}

// ---------------------------------------------------------------------------
// File versions

std::string versionText(const std::optional<FileVersion>& v) {
    if (!v)
        return "none";
    auto four = [](std::uint32_t ms, std::uint32_t ls) {
        return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
               std::to_string(ls & 0xFFFF);
    };
    return four(v->fileMS, v->fileLS) + "/" + four(v->productMS, v->productLS);
}

TEST(FileVersions, AgreeOnProgramsOfEveryKind) {
    TempDir dir;
    std::vector<std::pair<std::string, fs::path>> files;
    // PE32 and PE32+ from the MinGW tools, several numbers.
    const char* versions[][2] = {{"1,2,3,4", "5,6,7,8"}, {"0,0,0,0", "0,0,0,1"}, {"65535,65535,65535,65535", "3,10,0,57"}};
    for (std::size_t i = 0; i < std::size(versions); ++i) {
        std::string n = std::to_string(i);
        writeHost(dir.path() / ("v" + n + ".rc"),
                  std::string("1 VERSIONINFO\nFILEVERSION ") + versions[i][0] + "\nPRODUCTVERSION " + versions[i][1] +
                      "\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904E4\"\n  BEGIN\n"
                      "   VALUE \"FileVersion\", \"x\\0\"\n  END\n END\nEND\n");
        std::string d = "cd '" + dir.path().string() + "' && ";
        ASSERT_TRUE(shell(d + "x86_64-w64-mingw32-windres --preprocessor=cpp v" + n + ".rc -O coff -o v" + n + "-64.o && " +
                          "i686-w64-mingw32-windres --preprocessor=cpp v" + n + ".rc -O coff -o v" + n + "-32.o && " +
                          "x86_64-w64-mingw32-ld --dll -e 0 -o pe64-" + n + ".dll v" + n + "-64.o && " +
                          "i686-w64-mingw32-ld --dll -e 0 -o pe32-" + n + ".dll v" + n + "-32.o"));
        files.push_back({"pe64-" + n, dir.path() / ("pe64-" + n + ".dll")});
        files.push_back({"pe32-" + n, dir.path() / ("pe32-" + n + ".dll")});
    }
    // 16-bit files laid out as Windows 3.1 tools write them.
    writeHost(dir.path() / "ne.dll", neImage((3u << 16) | 10u, 57u));
    writeHost(dir.path() / "ne-none.dll", neImage(1, 1, false));
    files.push_back({"ne", dir.path() / "ne.dll"});
    files.push_back({"ne-without-version", dir.path() / "ne-none.dll"});
    // Not programs, and a program cut short.
    writeHost(dir.path() / "text.dll", "just text");
    files.push_back({"text", dir.path() / "text.dll"});
    std::string pe = readHost(dir.path() / "pe64-0.dll");
    writeHost(dir.path() / "cut.dll", pe.substr(0, pe.size() / 2));
    files.push_back({"pe-cut-in-half", dir.path() / "cut.dll"});
    // Wine's own libraries: built by other tools, full of real resources.
    if (const char* prefix = std::getenv("WINEPREFIX"))
        for (const char* name : {"kernel32.dll", "user32.dll", "shell32.dll", "comctl32.dll", "regedit.exe"}) {
            fs::path p = fs::path(prefix) / "drive_c/windows/system32" / name;
            if (fs::exists(p))
                files.push_back({std::string("wine-") + name, p});
        }

    WineProbe wine;
    std::vector<Check> checks;
    for (const auto& [id, path] : files) {
        std::size_t at = wine.add({"version", WineProbe::winePath(path)});
        std::string ours = versionText(readFileVersion(readHost(path)));
        checks.push_back([=, id = id](const std::vector<std::string>& r) { compare("version/" + id, ours, r[at]); });
    }
    runChecks(wine, checks);
}

} // namespace
