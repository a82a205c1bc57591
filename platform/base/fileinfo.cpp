#include "platform/base/fileinfo.h"

namespace zrv {

namespace {
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL; // 1970-01-01 in FILETIME ticks
constexpr std::int64_t kTicksPerSecond = 10000000LL;
} // namespace

FileTime fileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
    return static_cast<FileTime>(kUnixEpochTicks + seconds * kTicksPerSecond + nanoseconds / 100);
}

std::int64_t unixFromFileTime(FileTime ft) {
    return (static_cast<std::int64_t>(ft) - kUnixEpochTicks) / kTicksPerSecond;
}

FileTime dosGrained(FileTime ft) {
    std::int64_t seconds = 0;
    long nanoseconds = 0;
    unixPartsFromFileTime(ft, seconds, nanoseconds);
    return fileTimeFromUnix(seconds - (seconds % 2 + 2) % 2);
}

void unixPartsFromFileTime(FileTime ft, std::int64_t& seconds, long& nanoseconds) {
    std::int64_t ticks = static_cast<std::int64_t>(ft) - kUnixEpochTicks;
    std::int64_t sec = ticks / kTicksPerSecond;
    std::int64_t rem = ticks % kTicksPerSecond;
    if (rem < 0) {
        rem += kTicksPerSecond;
        --sec;
    }
    seconds = sec;
    nanoseconds = static_cast<long>(rem * 100);
}

} // namespace zrv
