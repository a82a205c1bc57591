#include "authoring/project/filelist.h"

#include "common/datetime.h"
#include "platform/base/ansi.h"
#include "platform/formats/peversion.h"
#include "platform/machine/machine.h"

#include <cctype>
#include <cstdio>

namespace zrv::authoring {

namespace {

constexpr std::size_t kShown = 35, kPadded = 38, kVersionWidth = 19;

std::string padded(std::string s, std::size_t width) {
    if (s.size() < width)
        s.append(width - s.size(), ' ');
    return s;
}

} // namespace

std::string shortenedPath(std::string_view path) {
    std::string out(path);
    if (out.size() > kShown) {
        const auto slash = out.rfind('\\');
        const std::string last = slash == std::string::npos ? out : out.substr(slash);
        if (last.size() > kShown)
            out = last.substr(last.size() - kShown);
        else
            out = out.substr(0, kShown - 2 - last.size()) + ".." + last;
    }
    return padded(std::move(out), kPadded);
}

std::string installDescription(const FileEntry& e) {
    std::string text;
    auto add = [&](std::string_view part) {
        if (!text.empty())
            text += ", ";
        text += part;
    };
    if (e.unprotect)
        add("(un)protect");
    else if (e.protect)
        add("protect");
    if (e.overwrite)
        add("confirm overwrite");
    if (e.checkInUse)
        add("check use");
    if (e.usage)
        add("display in gauge");
    if (e.compress)
        add("compress");
    if (e.optional)
        add("optional");
    if (e.shared)
        add("registry");
    text = lowerAnsi(text);
    // The first letter of every word capitalised.
    bool wordStart = true;
    for (char& c : text) {
        if (c == ' ')
            wordStart = true;
        else if (wordStart && std::isalpha(static_cast<unsigned char>(c))) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            wordStart = false;
        }
    }
    if (e.makeIcon) {
        if (!text.empty())
            text += ", ";
        text += "Icon '" + e.iconText + "'";
    }
    return text;
}

std::string fileListLine(Machine& machine, int index, const FileEntry& e, bool fullDetails, bool descriptions) {
    char number[16];
    std::snprintf(number, sizeof number, "%3d ", index + 1);
    std::string line = number + shortenedPath(e.source);
    if (fullDetails) {
        auto info = machine.stat(e.source);
        std::string details;
        if (info && !info->isDirectory()) {
            const DateTime when = DateTime::fromFileTime(info->lastWrite);
            char head[32];
            std::snprintf(head, sizeof head, "%8llu  ", static_cast<unsigned long long>(info->size));
            details = head + when.FormatDateTime("DD/MM/YY") + "  " + when.FormatDateTime("HH:XXA") + "  ";
            const std::uint32_t a = info->attributes;
            details += (a & FileAttribute::ReadOnly) ? 'R' : '.';
            details += (a & FileAttribute::Hidden) ? 'H' : '.';
            details += (a & FileAttribute::System) ? 'S' : '.';
            details += (a & FileAttribute::Archive) ? 'A' : '.';
            details += "  ";
            std::string version;
            if (auto v = fileVersion(machine, e.source))
                version = "(" + std::to_string(v->major()) + "." + std::to_string(v->minor()) + "." +
                          std::to_string(v->build()) + "." + std::to_string(v->revision()) + ")";
            details += padded(version, kVersionWidth);
        } else {
            // As wide as the details it stands for.
            details = padded("<Not Found>", 8 + 2 + 8 + 2 + 6 + 2 + 4 + 2 + kVersionWidth);
        }
        line += details;
    }
    if (descriptions)
        line += installDescription(e);
    return line;
}

} // namespace zrv::authoring
