// The project file (.SPJ): a line-oriented text file of KEY=VALUE lines in
// code page 1252, written as format 319 and read back to format 308.
#pragma once

#include "authoring/project/project.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::authoring {

inline constexpr int kProjectVersion = 319;
inline constexpr int kOldestProjectVersion = 308;

// The bytes of the project file for a document; its PROJDIR is the stored
// project directory. The same document gives the same bytes.
std::string writeProjectFile(const ProjectData& p);

// A refusal or warning at a line of the file (1-based; 0 for the whole file).
struct LineProblem : Refusal {
    int line = 0;
};

struct ReadOutcome {
    std::optional<ProjectData> data; // empty when refused
    int version = 0;
    std::optional<LineProblem> error;
    std::vector<LineProblem> warnings; // ignored lines
};

// Reads a project file over `defaults` (a new project's document). Unknown
// lines are ignored with a warning; a value that does not fit, a number out of
// its range, a list past its limit refuse the whole file.
ReadOutcome readProjectFile(std::string_view bytes, const ProjectData& defaults);

// One KEY=VALUE setting as the file holds it, for the command line: the scalar
// keys of the project (not its lists, not PROJDIR, not ZRVUNI2).
enum class SettingStatus { Applied, UnknownKey, Refused };
struct SettingOutcome {
    SettingStatus status = SettingStatus::Applied;
    Refusal refusal;
};
SettingOutcome applySetting(ProjectData& p, std::string_view keyValue);

} // namespace zrv::authoring
