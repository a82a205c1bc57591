#include "common/system.h"

#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace zrv {

namespace {
std::function<void()>& pumpHook() {
    static std::function<void()> hook;
    return hook;
}

Clock& clock() {
    static Clock c;
    return c;
}

std::time_t now() { return clock().now ? clock().now() : std::time(nullptr); }

void sleepFor(std::chrono::milliseconds ms) {
    if (clock().sleep)
        clock().sleep(ms);
    else
        std::this_thread::sleep_for(ms);
}
} // namespace

void setClock(Clock c) { clock() = std::move(c); }

void setMessagePump(std::function<void()> pump) { pumpHook() = std::move(pump); }

void PumpMessages() {
    if (pumpHook())
        pumpHook()();
}

int WindowsVersion(const Machine& machine) { return machine.version(); }

int CountryCode(Machine& machine) { return getProfileInt(machine, "Intl", "iCountry", machine.countryCode()); }

std::filesystem::path userMachineFolder(const char* environmentVariable, const char* name) {
    namespace fs = std::filesystem;
    if (const char* env = std::getenv(environmentVariable); env && *env)
        return env;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return fs::path(data) / "zrv" / name;
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "zrv" / name;
    return fs::path(std::string("zrv-") + name);
}

void Delay(int seconds, bool pump) {
    if (seconds <= 0)
        return;
    std::time_t last = now();
    int changes = 0;
    while (changes < seconds) {
        if (pump)
            PumpMessages();
        // Short sleeps keep the check close to continuous without spinning a core.
        sleepFor(std::chrono::milliseconds(5));
        std::time_t t = now();
        if (t != last) {
            ++changes;
            last = t;
        }
    }
}

} // namespace zrv

#include "platform/profile/profile.h"
#include "platform/shell/programs.h"

namespace zrv {

int RunProgram(Machine& machine, std::string_view commandLine, int showState, bool wait, std::string_view profileFile,
               std::function<void(const std::string&, const std::string&)> messageSink) {
    ProgramRunner runner(machine, std::move(messageSink));
    ProgramOutcome outcome = runner.run(commandLine, showState, wait);
    if (!outcome.started)
        return 0;
    if (wait)
        Delay(getPrivateProfileInt(machine, "Application", "WinExecWait", 0, profileFile), true);
    return 32;
}

} // namespace zrv
