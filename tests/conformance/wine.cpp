#include "tests/conformance/wine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace zrv::conformance {
namespace fs = std::filesystem;

namespace {

std::string probePath() {
    const char* p = std::getenv("ZRV_PROBE");
    return p ? p : "";
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

std::string escapeField(const Field& field) {
    if (!field)
        return "\\N";
    std::string out;
    for (unsigned char c : *field) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case 0: out += "\\0"; break;
        default:
            if (c < 32 || c > 126) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string unescapeField(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        switch (c) {
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case '0': out += '\0'; break;
        case 'x':
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
        default: out += c;
        }
    }
    return out;
}

WineProbe::WineProbe() = default;

std::optional<std::string> WineProbe::missing() {
    std::string probe = probePath();
    if (probe.empty() || !fs::exists(probe))
        return "ZRV_PROBE does not name the probe program (scripts/conformance builds it)";
    if (std::system("command -v wine >/dev/null 2>&1") != 0)
        return "wine is not installed (scripts/conformance installs it)";
    return std::nullopt;
}

std::string WineProbe::winePath(const fs::path& host) {
    std::string p = "Z:" + fs::absolute(host).lexically_normal().string();
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::size_t WineProbe::add(std::vector<Field> fields) {
    m_operations.push_back(std::move(fields));
    return m_operations.size() - 1;
}

std::vector<std::string> WineProbe::run() {
    char pattern[] = "/tmp/zrv-probe-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    fs::path dir = pattern;
    {
        std::ofstream ops(dir / "ops.txt", std::ios::binary);
        for (const auto& op : m_operations) {
            for (std::size_t i = 0; i < op.size(); ++i)
                ops << (i ? "\t" : "") << escapeField(op[i]);
            ops << '\n';
        }
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("WINEDEBUG", "-all", 1);
        std::string probe = probePath(), in = winePath(dir / "ops.txt"), out = winePath(dir / "results.txt");
        ::execlp("wine", "wine", probe.c_str(), in.c_str(), out.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string text = readAll(dir / "results.txt");
    fs::remove_all(dir);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the probe failed under Wine (status " + std::to_string(status) + ")");
    std::vector<std::string> results;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        results.push_back(unescapeField(line));
    if (results.size() != m_operations.size())
        throw std::runtime_error("the probe answered " + std::to_string(results.size()) + " of " +
                                 std::to_string(m_operations.size()) + " operations");
    m_operations.clear();
    return results;
}

} // namespace zrv::conformance
