// The layout is the design: each folder of the product may include only the
// folders below it, only platform/host speaks to the host's system calls, and
// only the Qt back ends see Qt. This reads every source file's includes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Each folder and the folders it may use directly; what those may use is
// allowed too. A file belongs to the longest folder that holds it.
const std::map<std::string, std::vector<std::string>> kLayers = {
    {"platform/base", {}},
    {"platform/host", {"platform/base"}},
    {"platform/files", {"platform/host"}},
    {"platform/registry", {"platform/base"}},
    {"platform/machine", {"platform/files", "platform/registry"}},
    {"platform/profile", {"platform/machine"}},
    {"platform/formats", {"platform/machine"}},
    {"platform/shell", {"platform/formats", "platform/profile"}},
    {"common", {"platform/shell"}},
    {"interpreter/ui", {"common"}},
    {"interpreter/ui/headless", {"interpreter/ui"}},
    {"interpreter/ui/qt", {"interpreter/ui/headless"}},
    {"interpreter/engine", {"interpreter/ui", "common"}},
    {"interpreter/actions", {"interpreter/engine"}},
    {"interpreter", {"interpreter/actions", "interpreter/ui/qt"}},
    {"authoring/project", {"common"}},
    {"authoring/generator", {"authoring/project"}},
    {"authoring/build", {"authoring/generator"}},
    {"authoring/workbench/model", {"authoring/build"}},
    // The Qt workbench shows the model with the installer's widgets.
    {"authoring/workbench", {"authoring/workbench/model", "interpreter/ui/qt"}},
    // zrva32 itself takes only the workbench's options (no Qt) and loads it as a module.
    {"authoring", {"authoring/workbench"}},
};

const std::set<std::string> kQtFolders = {"interpreter/ui/qt", "authoring/workbench"};

std::string folderOf(const std::string& path) {
    std::string best;
    for (const auto& [folder, deps] : kLayers)
        if ((path.rfind(folder + "/", 0) == 0) && folder.size() > best.size())
            best = folder;
    return best;
}

std::set<std::string> allowedFrom(const std::string& folder) {
    std::set<std::string> out{folder};
    std::vector<std::string> todo{folder};
    while (!todo.empty()) {
        std::string f = todo.back();
        todo.pop_back();
        for (const std::string& d : kLayers.at(f))
            if (out.insert(d).second)
                todo.push_back(d);
    }
    return out;
}

bool isHostHeader(const std::string& h) {
    static const std::set<std::string> plain = {"unistd.h", "fcntl.h", "dirent.h", "poll.h",  "spawn.h",
                                                "signal.h", "pwd.h",   "grp.h",    "dlfcn.h", "termios.h"};
    return plain.count(h) || h.rfind("sys/", 0) == 0 || h.rfind("linux/", 0) == 0;
}

bool isQtHeader(const std::string& h) { return h.rfind("Q", 0) == 0 || h.rfind("qt", 0) == 0; }

struct Include {
    std::string header;
    bool quoted;
    int line;
};

std::vector<Include> includesOf(const fs::path& file) {
    std::vector<Include> out;
    std::ifstream in(file);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line.compare(i, 8, "#include") != 0)
            continue;
        std::size_t open = line.find_first_of("\"<", i + 8);
        if (open == std::string::npos)
            continue;
        char close = line[open] == '"' ? '"' : '>';
        std::size_t end = line.find(close, open + 1);
        if (end == std::string::npos)
            continue;
        out.push_back({line.substr(open + 1, end - open - 1), close == '"', n});
    }
    return out;
}

std::vector<std::string> violationsIn(const fs::path& root) {
    std::vector<std::string> out;
    for (const char* top : {"platform", "common", "interpreter", "authoring"}) {
        if (!fs::exists(root / top))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                continue;
            std::string rel = fs::relative(entry.path(), root).generic_string();
            std::string folder = folderOf(rel);
            if (folder.empty()) {
                out.push_back(rel + ": in no layer");
                continue;
            }
            std::set<std::string> allowed = allowedFrom(folder);
            // The workbench's model lives beside its Qt code and sees no Qt.
            bool qtFolder = folder != "authoring/workbench/model" &&
                            std::any_of(kQtFolders.begin(), kQtFolders.end(),
                                        [&](const std::string& q) { return rel.rfind(q + "/", 0) == 0; });
            for (const Include& inc : includesOf(entry.path())) {
                std::string where = rel + ":" + std::to_string(inc.line) + ": " + inc.header;
                if (!inc.quoted) {
                    if (isHostHeader(inc.header) && folder != "platform/host")
                        out.push_back(where + " (a host header outside platform/host)");
                    if (isQtHeader(inc.header) && !qtFolder)
                        out.push_back(where + " (Qt outside its back ends)");
                    continue;
                }
                std::string target = folderOf(inc.header);
                if (target.empty() && inc.header.rfind("tests/", 0) == 0)
                    out.push_back(where + " (the product includes a test)");
                else if (!target.empty() && !allowed.count(target))
                    out.push_back(where + " (" + folder + " may not use " + target + ")");
            }
        }
    }
    return out;
}

TEST(Layering, EveryIncludePointsDownwards) {
    std::vector<std::string> bad = violationsIn(ZRV_SOURCE_DIR);
    std::string all;
    for (const std::string& b : bad)
        all += b + "\n";
    EXPECT_TRUE(bad.empty()) << all;
}

// The check itself catches each kind of fault it is there for.
TEST(Layering, CatchesUpwardHostAndQtIncludes) {
    fs::path root = fs::temp_directory_path() / ("zrv-layering-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    fs::create_directories(root / "platform/files");
    fs::create_directories(root / "platform/host");
    fs::create_directories(root / "interpreter/ui");
    std::ofstream(root / "platform/files/a.cpp") << "#include \"platform/machine/machine.h\"\n#include <unistd.h>\n";
    std::ofstream(root / "platform/host/b.cpp") << "#include <sys/stat.h>\n#include \"platform/base/result.h\"\n";
    std::ofstream(root / "interpreter/ui/c.h") << "  #include <QWidget>\n#include \"interpreter/ui/d.h\"\n";
    std::vector<std::string> bad = violationsIn(root);
    fs::remove_all(root);
    ASSERT_EQ(bad.size(), 3u);
    std::sort(bad.begin(), bad.end());
    EXPECT_NE(bad[0].find("QWidget"), std::string::npos);
    EXPECT_NE(bad[1].find("may not use platform/machine"), std::string::npos);
    EXPECT_NE(bad[2].find("unistd.h"), std::string::npos);
}

} // namespace
