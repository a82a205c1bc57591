// Waiting without freezing the user interface, and the Windows version.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

namespace zrv {

class Machine;

// The user interface installs the function that dispatches its pending events;
// until then PumpMessages does nothing.
void setMessagePump(std::function<void()> pump);
void PumpMessages();

// The folder of a program's machine: $environmentVariable when set, else
// NAME below the user's data folder ($XDG_DATA_HOME, else ~/.local/share)/zrv.
std::filesystem::path userMachineFolder(const char* environmentVariable, const char* name);

// Major x 100 + minor, e.g. 400 or 395.
int WindowsVersion(const Machine& machine);

// The country code Windows programs read: WIN.INI [Intl] iCountry, else the
// machine's own setting (machine.ini Country=).
int CountryCode(Machine& machine);

// Where waits take their time from: the host's clock and sleep, unless a test
// installs its own. Members left empty are the host's.
struct Clock {
    std::function<std::time_t()> now;
    std::function<void(std::chrono::milliseconds)> sleep;
};
void setClock(Clock clock);

// Waits until the seconds field of the clock has changed `seconds` times,
// pumping messages meanwhile when asked.
void Delay(int seconds, bool pump);

} // namespace zrv

#include <string_view>

namespace zrv {

// Starts the command line on the machine (see ProgramRunner). With `wait`, waits
// for the program to end and then the [Application] WinExecWait seconds of the
// program's profile, pumping messages. 32 when it started, 0 when not.
int RunProgram(Machine& machine, std::string_view commandLine, int showState, bool wait, std::string_view profileFile,
               std::function<void(const std::string&, const std::string&)> messageSink = {});

} // namespace zrv
