// Object files: any text reads as a header and controls within their fields,
// renders or is refused, and its controls survive being saved and read again.
#include "authoring/project/objectfile.h"

#include <cstdlib>

using namespace zrv;
using namespace zrv::authoring;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    IniDocument doc = IniDocument::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const ObjectHeader h = readHeader(doc);
    if (h.name.size() > 40 || h.caption.size() > 128)
        std::abort();
    const auto controls = readControls(doc);
    for (const auto& c : controls)
        if (c.caption.size() > 128 || c.font.size() > 20 || c.variable.size() > 22 || c.id.size() > 22 ||
            c.icon.size() > 8 || c.bitmap.size() > 255 || c.type == -1)
            std::abort();
    auto script = renderObject(doc, true);
    auto preview = renderObject(doc, false);
    if (script.ok() != preview.ok())
        std::abort();
    if (script && script->size() < controls.size() + 4)
        std::abort();
    // Numbers and the text fields' lengths come back as saved.
    IniDocument saved;
    writeHeader(saved, h);
    saveControls(saved, controls);
    const auto again = readControls(saved);
    if (again.size() > controls.size())
        std::abort();
    for (std::size_t i = 0; i < again.size(); ++i)
        if (again[i].type != controls[i].type || again[i].x != controls[i].x ||
            again[i].foreground != controls[i].foreground || again[i].sort != controls[i].sort)
            std::abort();
    return 0;
}
