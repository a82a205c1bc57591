// Running the programs as a shell would, and host files read and written
// whole, for the end-to-end tests.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace zrv::testing {

struct Outcome {
    int status = -1;
    std::string out; // stdout, with stderr unless the command redirects it
};

// Runs a shell command line; stderr joins stdout unless the line sends it elsewhere.
inline Outcome runCommand(const std::string& command, bool joinStderr = true) {
    Outcome r;
    FILE* p = ::popen((command + (joinStderr ? " 2>&1" : "")).c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void spit(const std::filesystem::path& p, const std::string& text) {
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

inline std::string quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

} // namespace zrv::testing
