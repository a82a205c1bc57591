// The line the file list shows for each project file: position, shortened
// source path, the file's details on disk and its install description.
#pragma once

#include "authoring/project/project.h"

#include <string>
#include <string_view>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

// The source path cut to 35 characters (head, "..", last component) and
// padded to 38.
std::string shortenedPath(std::string_view path);
// "(Un)protect, Confirm Overwrite, ..., Icon 'caption'".
std::string installDescription(const FileEntry& e);
// The whole line of entry `index` (0-based); the details come from the
// source file on the machine.
std::string fileListLine(Machine& machine, int index, const FileEntry& e, bool fullDetails, bool descriptions);

} // namespace zrv::authoring
