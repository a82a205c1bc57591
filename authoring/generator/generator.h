// The setup script of a project for its disk layout: a pure function of the
// project, the layout and what the caller read from disk (file sizes, the
// rendered objects). Same input, same bytes.
#pragma once

#include "authoring/project/project.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::generator {

using authoring::ProjectData;

// Where the disk build put things: the first and last disk of each file
// entry's pieces, the disk of each bitmap, the disk of CLEANUP.EXE.
struct DiskLayout {
    struct Span {
        int first = 1;
        int last = 1;
    };
    std::vector<Span> files;
    std::vector<int> bitmaps;
    int cleanupDisk = 1;

    // Everything on disk 1.
    static DiskLayout oneDisk(const ProjectData& p);
};

// An object of the project's list as the caller read it.
struct RenderedObject {
    bool found = false;             // the file exists and is an object
    std::string name;               // its object name
    std::vector<std::string> lines; // its script lines
};

struct Options {
    std::time_t time = 0; // the header's time
    bool utc = false;     // show it in UTC rather than local time
    std::string title = "ZRVA32";
    std::string version = "1.0";
    std::string copyright = "Copyright (C) the ZRV installation kit authors";
};

struct Input {
    const ProjectData* project = nullptr;
    DiskLayout layout;
    std::vector<std::uint64_t> sizes;    // of each file entry's source
    std::vector<RenderedObject> objects; // of each object list entry
    Options options;
};

// A fault in the project: the project-file key at fault (WELCOME1, FILE3,
// USERCODE9, ...), the generated line's number when there is one, the reason.
struct Problem {
    std::string key;
    int line = 0;
    std::string reason;
};

struct Output {
    std::string script;                // the file's bytes
    std::string trace;                 // what the trace log receives
    std::vector<Problem> warnings;     // the script works, but look here
};

struct Generated {
    std::optional<Output> output;
    std::optional<Problem> error; // when no working script can be made
};

Generated generate(const Input& input);

// The longest line the interpreter reads whole.
inline constexpr std::size_t kMaxScriptLine = 300;
// Script numbers are signed 32-bit.
inline constexpr std::uint64_t kMaxScriptNumber = 2147483647;

// The "Uncompressing..." text of a language.
std::string uncompressingText(int language);
// The file name part of a Windows path, and a name with its extension
// replaced (one added when it has none), as scripts and disks name files.
std::string fileNameOf(std::string_view path);
std::string withExtension(std::string_view name, std::string_view extension);

// "UkEnglish" ... "Dutch".
extern const std::array<const char*, 7> kScriptLanguageNames;

} // namespace zrv::generator
