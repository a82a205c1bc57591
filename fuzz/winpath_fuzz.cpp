// Any text either fails or gives a full path that parses back to itself and
// stays within the limits.
#include "platform/base/winpath.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    zrv::DirectoryState dirs;
    dirs.perDrive[2] = "C:\\WINDOWS";
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (auto use : {zrv::PathUse::Name, zrv::PathUse::Pattern}) {
        auto p = zrv::fullPath(text, dirs, use);
        if (!p.ok())
            continue;
        std::string full = p->text();
        if (full.size() > zrv::kMaxPathLength)
            std::abort();
        for (const std::string& c : p->components)
            if (c.empty() || c == "." || c == ".." || c.find_first_of("\\/") != std::string::npos)
                std::abort();
        auto again = zrv::fullPath(full, dirs, use);
        if (!again.ok() || again->text() != full)
            std::abort();
    }
    return 0;
}
