#include "authoring/project/authoringmachine.h"

#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <cctype>

namespace zrv::authoring {

Result<std::unique_ptr<Machine>> openAuthoringMachine(const std::filesystem::path& dir, const ProgramMappings& programs) {
    MachineOptions options;
    options.programs = programs;
    DriveMapping z;
    z.letter = 'Z';
    z.hostRoot = "/";
    options.drives.push_back(z);
    return Machine::open(dir, options);
}

std::optional<std::string> authoringPath(const std::string& arg) {
    if (arg.size() >= 2 && std::isalpha(static_cast<unsigned char>(arg[0])) && arg[1] == ':')
        return utf8ToAnsi(arg);
    std::error_code ec;
    std::string host = std::filesystem::absolute(arg, ec).lexically_normal().string();
    auto ansi = utf8ToAnsi(host);
    if (!ansi)
        return std::nullopt;
    for (char& c : *ansi)
        if (c == '/')
            c = '\\';
    return "Z:" + *ansi;
}

} // namespace zrv::authoring
