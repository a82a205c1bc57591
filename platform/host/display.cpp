#include "platform/host/display.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zrv::host {

namespace {

// Connects to a local socket; `abstract` names one in the abstract namespace.
bool answers(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool displayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* v = std::getenv(name); v && *v)
            return true;
    return false;
}

std::optional<std::string> unreachableDisplay() {
    auto env = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v ? v : "";
    };
    if (!env("QT_QPA_PLATFORM").empty())
        return std::nullopt;
    const std::string wayland = env("WAYLAND_DISPLAY");
    if (!wayland.empty()) {
        const std::string path = wayland[0] == '/' ? wayland : env("XDG_RUNTIME_DIR") + "/" + wayland;
        if (answers(path, false))
            return std::nullopt;
    }
    const std::string x = env("DISPLAY");
    if (!x.empty()) {
        const std::size_t colon = x.rfind(':');
        const std::string host = colon == std::string::npos ? "" : x.substr(0, colon);
        if (colon == std::string::npos)
            return "DISPLAY=" + x + " names no display";
        if (!host.empty() && host != "unix")
            return std::nullopt; // a remote display: Qt finds out
        const std::string number = x.substr(colon + 1, x.find('.', colon) - colon - 1);
        const std::string socket = "/tmp/.X11-unix/X" + number;
        if (answers(socket, true) || answers(socket, false))
            return std::nullopt;
        return "no X server answers on DISPLAY=" + x;
    }
    if (!wayland.empty())
        return "no Wayland compositor answers on WAYLAND_DISPLAY=" + wayland;
    return "no display is named (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM)";
}

} // namespace zrv::host
