// Any bytes after an SZDD header expand to an error or to a bounded result,
// and what we compress always expands back.
#include "platform/formats/lz.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string packed = std::string("SZDD\x88\xf0\x27\x33" "A_", 10);
    std::string input(reinterpret_cast<const char*>(data), size);
    packed += input.substr(0, 4);
    if (input.size() > 4)
        packed += input.substr(4);
    auto out = zrv::szddExpand(packed);
    if (out.ok() && out->size() > packed.size() * 18)
        std::abort();
    auto round = zrv::szddCompress(input);
    if (!round.ok())
        std::abort();
    auto back = zrv::szddExpand(*round);
    if (!back.ok() || *back != input)
        std::abort();
    return 0;
}
