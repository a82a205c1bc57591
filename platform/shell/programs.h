// Starting programs on the machine. A command line is resolved as Windows does
// it; REGEDIT, REGEDT32 and REGSVR32 are built into the machine; any other
// program starts only where machine.ini's [Programs] section allows it, so a
// setup script cannot leave its sandbox by starting host programs.
#pragma once

#include "platform/base/result.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class Machine;

// The key under HKEY_LOCAL_MACHINE where the REGSVR32 stand-in records
// registered files: one REG_DWORD 1 per file, named by its full path.
inline constexpr const char* kSelfRegisteredKey = "SOFTWARE\\ZRV\\Machine\\SelfRegistered";

struct ProgramOutcome {
    bool started = false;
    int exitCode = 0; // known only when waited for
    std::string resolved; // the Windows path or stand-in that ran
};

class ProgramRunner {
public:
    // Shown a message as a program's own message box would (caption, text).
    using MessageSink = std::function<void(const std::string& caption, const std::string& text)>;

    explicit ProgramRunner(Machine& machine, MessageSink sink = {}) : m_machine(machine), m_sink(std::move(sink)) {}

    ProgramOutcome run(std::string_view commandLine, int showCommand, bool wait);

    // The program's full Windows path: current directory, Windows directory,
    // system directory, then PATH; without an extension .EXE, .COM, .BAT and .PIF
    // are tried in that order.
    std::optional<std::string> resolve(std::string_view program) const;

private:
    ProgramOutcome regedit(const std::string& name, const std::vector<std::string>& args);
    ProgramOutcome regsvr32(const std::vector<std::string>& args);
    ProgramOutcome host(const std::string& resolved, const std::vector<std::string>& hostCommand,
                        const std::vector<std::string>& args, bool wait);
    void tell(const std::string& caption, const std::string& text) const;

    Machine& m_machine;
    MessageSink m_sink;
};

// Splits a Windows command line into the program and its arguments, honouring
// double quotes.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// True for a PE file whose header marks it as a DLL.
bool isPeDll(std::string_view image);

} // namespace zrv
