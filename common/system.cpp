#include "common/system.h"

#include "platform/machine/machine.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace zrv {

namespace {
std::function<void()>& pumpHook() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void setMessagePump(std::function<void()> pump) { pumpHook() = std::move(pump); }

void PumpMessages() {
    if (pumpHook())
        pumpHook()();
}

int WindowsVersion(const Machine& machine) { return machine.version(); }

void Delay(int seconds, bool pump) {
    if (seconds <= 0)
        return;
    std::time_t last = std::time(nullptr);
    int changes = 0;
    while (changes < seconds) {
        if (pump)
            PumpMessages();
        // Short sleeps keep the check close to continuous without spinning a core.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::time_t now = std::time(nullptr);
        if (now != last) {
            ++changes;
            last = now;
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
