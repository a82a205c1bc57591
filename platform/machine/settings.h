// machine.ini: what a machine is (profile, version, directories, screen,
// country, drives, environment, shell, loaded modules, programs allowed to
// run), how a fresh one is laid out, and how its file is read.
#pragma once

#include "platform/base/result.h"
#include "platform/files/drive.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zrv {

enum class MachineProfile { Win95, NT4 };

struct MachineSettings {
    MachineProfile profile = MachineProfile::Win95;
    int version = 400;
    std::string windowsDir; // upper case
    std::string systemDir;  // upper case
    int screenWidth = 800;
    int screenHeight = 600;
    int country = 44;
    bool programManager = true;
    std::vector<DriveMapping> drives;
    std::vector<std::pair<std::string, std::string>> environment;
    std::vector<std::string> modules;                            // full Windows paths or bare names
    std::vector<std::pair<std::string, std::string>> programs;   // Windows name -> host command
    std::optional<std::string> peRunner;

    // Reads machine.ini's text; `name` names the file in messages. The drives
    // given override machine.ini's for the same letters.
    static Result<MachineSettings> parse(std::string_view text, const std::string& name,
                                         const std::vector<DriveMapping>& overrides);
    // "4.00" for version 400.
    std::string versionText() const;
};

// Writes a fresh machine into `dir`, which must be missing or empty; on a
// failure the folder is left as it was found.
Result<void> createMachineFolder(const std::filesystem::path& dir, MachineProfile profile, int version);

} // namespace zrv
