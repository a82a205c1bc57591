// The profile reader and writer take any bytes; a value written reads back.
#include "platform/base/ini.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    auto doc = zrv::IniDocument::parse(text);
    (void)doc.sectionNames();
    doc.set("Fuzz Section", "Key", "Value");
    auto again = zrv::IniDocument::parse(doc.serialize());
    if (again.get("fuzz section", "KEY") != std::optional<std::string>("Value"))
        std::abort();
    again.removeSection("Fuzz Section");
    return 0;
}
