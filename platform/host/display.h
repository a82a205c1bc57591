// Whether the display the environment names answers: Qt aborts the process when
// it cannot open one, so a stale DISPLAY is found out before Qt is started.
#pragma once

#include <optional>
#include <string>

namespace zrv::host {

// Whether the environment names a display: DISPLAY, WAYLAND_DISPLAY, or a Qt
// platform in QT_QPA_PLATFORM (offscreen included).
bool displayNamed();

// Why the display that DISPLAY or WAYLAND_DISPLAY names cannot be opened, or
// nullopt when one answers (or QT_QPA_PLATFORM chooses a platform of its own,
// or a remote X display is named, which is not probed).
std::optional<std::string> unreachableDisplay();

} // namespace zrv::host
