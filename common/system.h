// Waiting without freezing the user interface, and the Windows version.
#pragma once

#include <functional>

namespace zrv {

class Machine;

// The user interface installs the function that dispatches its pending events;
// until then PumpMessages does nothing.
void setMessagePump(std::function<void()> pump);
void PumpMessages();

// Major x 100 + minor, e.g. 400 or 395.
int WindowsVersion(const Machine& machine);

// Waits until the seconds field of the clock has changed `seconds` times,
// pumping messages meanwhile when asked.
void Delay(int seconds, bool pump);

} // namespace zrv
