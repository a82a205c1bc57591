// Building a project's disk set: the items of the set in fill order, their
// contents (compressed on several threads), the plan, the script for that
// plan, and the DISKn folders written beside the target and renamed into place.
#pragma once

#include "authoring/build/planner.h"
#include "authoring/generator/generator.h"
#include "platform/base/fileinfo.h"

#include <atomic>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::authoring {
class SettingsStore;
}

namespace zrv::build {

struct BuildOptions {
    Capacity capacity = *Capacity::parse("1.44M");
    int maxDisks = 99;
    std::optional<std::vector<int>> include; // optional files chosen for this build (1-based)
    int jobs = 0;                            // compression threads; 0: one per CPU
    bool storeRaw = true;                    // a file SZDD would not shrink is stored as it is
    bool longNames = false;                  // allow names that are not 8.3
    std::string runtimeDir;                  // Windows path of real runtime files; empty: stand-ins
    std::time_t now = 0;                     // the build's time
    bool clamp = false;                      // no date on the set later than `now`
    const std::atomic<bool>* stop = nullptr; // set: stop as soon as possible
};

// One item's bytes and date.
struct Content {
    std::string bytes;
    FileTime time = 0;
    std::uint64_t sourceSize = 0; // before compression
    enum class Form { Plain, Szdd, Raw } form = Form::Plain; // raw: stored under its compressed name
};

struct Prepared {
    Plan plan;
    std::vector<Content> contents; // per plan item
    std::string script;
    int placeholder = -1; // the item the script replaces
    std::vector<generator::Problem> warnings;
};

struct Prepare {
    std::optional<Prepared> prepared;
    std::vector<std::string> errors; // every one found
    bool stopped = false;
};

// Progress: a status text for people, as the build goes.
using Progress = std::function<void(const std::string&)>;

Prepare prepare(Machine& machine, const authoring::ProjectData& project, authoring::SettingsStore& settings,
                const BuildOptions& options, const Progress& progress = {});

// Writes DISK1, DISK2, ... into `out` (a Windows path of the machine) through
// a temporary sibling folder. `out` may hold only DISKn folders and DISKn.IMG
// files unless `force`. Returns an error text, empty when done.
// With `images`, a FAT12 image DISKn.IMG of the floppy format beside each
// folder, made by mtools with the disk's marker as its volume label and dated
// `imageTime`, so the same set gives the same images.
struct WriteOptions {
    bool force = false;
    bool images = false;
    Capacity capacity;
    std::time_t imageTime = 0;
    int jobs = 0; // writing threads; 0: one per CPU
    const std::atomic<bool>* stop = nullptr;
};
// What writeDiskSet returns when it was stopped.
inline constexpr const char* kStopped = "stopped";

// The interactive form: one folder (a drive) emptied and refilled for each
// disk after `ask` (the disk prompts, with OK or Cancel) said OK, and at the
// end, with disk 1 back, the finished script over the room kept for it.
// Returns an error text, kStopped after a Cancel, empty when done.
using DiskPrompt = std::function<bool(const std::string& text)>;
std::string refillDiskSet(Machine& machine, const Prepared& prepared, const std::string& folder,
                          const DiskPrompt& ask, const Progress& progress = {});

// The set as JSON: every item with its name on the disks, its first and last
// disk, its pieces and how it is stored.
std::string report(const Prepared& prepared);
std::string writeDiskSet(Machine& machine, const Prepared& prepared, const std::string& out,
                         const WriteOptions& options, const Progress& progress = {});

} // namespace zrv::build
