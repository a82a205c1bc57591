// DDE command strings and .LNK files: any bytes parse or are refused.
#include "platform/shell/progman.h"
#include "platform/formats/shelllink.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)zrv::parseDdeCommands(text);
    if (auto link = zrv::readShellLink(text)) {
        // What was read writes and reads back the same.
        auto again = zrv::readShellLink(zrv::writeShellLink(*link));
        if (!again || again->target != link->target || again->arguments != link->arguments)
            std::abort();
    }
    return 0;
}
