// Starting a host program: the one place a process is created.
#pragma once

#include "platform/base/result.h"

#include <string>
#include <vector>

namespace zrv::host {

struct Started {
    bool started = false; // exec succeeded
    int exitCode = 0;     // known only when waited for
};

// Runs argv[0] (searched on the host's PATH) in `directory`. Not waited for,
// the program runs on by itself and leaves no zombie behind.
enum class Wait { No, Yes };
Started runProgram(const std::vector<std::string>& argv, const std::string& directory, Wait wait);

// The running program's own file.
Result<std::string> runningProgram();

// Replaces this process with `program`, given the same arguments (argv as main
// had it). Returns only when that could not be done, with the reason.
std::string replaceWith(const std::string& program, char** argv);

} // namespace zrv::host
