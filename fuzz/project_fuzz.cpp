// Project files: an input the reader accepts writes, reads back to the same
// document and writes the same bytes again; any other input is refused cleanly.
#include "authoring/project/projectfile.h"

#include <cstdlib>

using namespace zrv::authoring;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static const ProjectData defaults = newProjectData(0, "C:\\ZRVA32\\DEFAULT.BKD");
    // Most inputs should get past the header, so it is given.
    std::string text = "#\r\n\r\nFILETYPE=ZORVANE_PROJECT\r\nFILEVER=3";
    text.append(reinterpret_cast<const char*>(data), size);
    auto first = readProjectFile(text, defaults);
    if (!first.data)
        return 0;
    if (checkProject(*first.data))
        std::abort(); // accepted but outside the limits
    const std::string bytes = writeProjectFile(*first.data);
    auto second = readProjectFile(bytes, defaults);
    if (!second.data || !second.warnings.empty() || !(*second.data == *first.data))
        std::abort();
    if (writeProjectFile(*second.data) != bytes)
        std::abort();
    return 0;
}
