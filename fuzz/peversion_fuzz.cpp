// The PE reader takes any bytes without reading out of bounds.
#include "platform/formats/peversion.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    (void)zrv::readFileVersion(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
