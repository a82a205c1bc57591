#include "platform/base/winpath.h"

#include "platform/base/ansi.h"

namespace zrv {

std::string WinPath::text() const {
    std::string out;
    out += drive;
    out += ":\\";
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            out += '\\';
        out += components[i];
    }
    return out;
}

WinPath WinPath::parent() const {
    WinPath p = *this;
    if (!p.components.empty())
        p.components.pop_back();
    return p;
}

WinPath WinPath::child(std::string name) const {
    WinPath p = *this;
    p.components.push_back(std::move(name));
    return p;
}

std::string DirectoryState::currentDirectory() const { return directoryOf(currentDrive).text(); }

WinPath DirectoryState::directoryOf(char drive) const {
    char d = toUpperAnsi(drive);
    const std::string& text = (d >= 'A' && d <= 'Z') ? perDrive[d - 'A'] : perDrive[2];
    WinPath p;
    p.drive = d;
    // Stored texts are always full paths made by fullPath(), so a plain split is enough.
    std::size_t start = 3;
    while (start < text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            p.components.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return p;
}

bool hasWildcards(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

bool isDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$",
                                                    "CONOUT$"};
    for (auto d : kDevices)
        if (equalNoCase(base, d))
            return true;
    if (base.size() == 4 && (startsWithNoCase(base, "COM") || startsWithNoCase(base, "LPT")) &&
        base[3] >= '1' && base[3] <= '9')
        return true;
    return false;
}

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

Result<void> checkComponent(std::string_view c, bool last, PathUse use) {
    if (c.size() > kMaxComponentLength)
        return fail(WinError::FilenameTooLong, "name longer than 255 characters");
    for (char ch : c) {
        auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || ch == '<' || ch == '>' || ch == ':' || ch == '"' || ch == '|')
            return fail(WinError::InvalidName, "invalid character in name");
        if ((ch == '*' || ch == '?') && !(last && use == PathUse::Pattern))
            return fail(WinError::InvalidName, "wildcard in name");
    }
    if (isDeviceName(c))
        return fail(WinError::FileNotFound, "device names are not files");
    return {};
}

} // namespace

Result<WinPath> fullPath(std::string_view path, const DirectoryState& dirs, PathUse use) {
    if (path.empty())
        return fail(WinError::PathNotFound, "empty path");
    if (path.find('\0') != std::string_view::npos)
        return fail(WinError::FileNotFound, "NUL byte in path");
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return fail(WinError::PathNotFound, "network and device paths are not part of the machine");

    WinPath out;
    std::string_view rest = path;
    bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                    ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (hasDrive) {
        out.drive = toUpperAnsi(path[0]);
        rest.remove_prefix(2);
        if (rest.empty() || !isSeparator(rest[0]))
            out.components = dirs.directoryOf(out.drive).components;
    } else {
        out.drive = dirs.currentDrive;
        if (rest.empty() || !isSeparator(rest[0]))
            out.components = dirs.directoryOf(out.drive).components;
    }

    // Split, then normalise lexically as Windows does: "." vanishes, ".." pops and
    // stops at the root, trailing dots and blanks of a name are dropped.
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end]))
            ++end;
        if (end > start)
            parts.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string_view c = parts[i];
        if (c == ".")
            continue;
        if (c == "..") {
            if (!out.components.empty())
                out.components.pop_back();
            continue;
        }
        bool last = i + 1 == parts.size();
        if (c.size() > kMaxComponentLength)
            return fail(WinError::FilenameTooLong, "name longer than 255 characters");
        // A search pattern keeps its trailing dot: "*." means names without one.
        if (!(last && use == PathUse::Pattern))
            while (!c.empty() && (c.back() == '.' || c.back() == ' '))
                c.remove_suffix(1);
        if (c.empty())
            continue;
        if (auto r = checkComponent(c, last, use); !r)
            return r.error();
        out.components.emplace_back(c);
    }
    if (out.text().size() > kMaxPathLength)
        return fail(WinError::FilenameTooLong, "path longer than 259 characters");
    return out;
}

} // namespace zrv
