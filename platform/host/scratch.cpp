#include "platform/host/scratch.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zrv::host {

namespace fs = std::filesystem;

namespace {

// One counter for the process: two machines (or threads) never share a name.
std::atomic<unsigned long> g_counter{0};
std::atomic<unsigned long> g_journals{0};

Error systemError(const std::string& what) {
    const int err = errno;
    return fail(err == ENOSPC ? WinError::DiskFull : err == EACCES || err == EROFS ? WinError::AccessDenied
                                                                                    : WinError::IoDevice,
                what + ": " + std::strerror(err));
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The process id a temporary of this scheme names, or 0.
unsigned long ownerOf(std::string_view name) {
    if (!ScratchJournal::isTemporaryName(name))
        return 0;
    return std::strtoul(std::string(name.substr(5)).c_str(), nullptr, 10);
}

} // namespace

ScratchJournal::ScratchJournal(fs::path dir) : m_dir(std::move(dir)) {}

ScratchJournal::~ScratchJournal() {
    if (m_fd.valid())
        ::unlink(m_file.c_str());
}

std::string ScratchJournal::nameIn(const fs::path& hostFolder) {
    std::lock_guard lock(m_mutex);
    const std::string folder = hostFolder.lexically_normal().string();
    if (!m_noted.count(folder) && !m_broken) {
        if (!m_fd.valid()) {
            std::error_code ec;
            fs::create_directories(m_dir, ec);
            m_file = m_dir / (std::to_string(processId()) + "-" + std::to_string(++g_journals) + ".folders");
            UniqueFd fd(::open(m_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
            if (fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
                m_fd = std::move(fd);
        }
        if (m_fd.valid() && writeAll(m_fd.get(), folder + "\n"))
            m_noted.insert(folder);
        else
            m_broken = true;
    }
    return freshName();
}

std::string ScratchJournal::freshName() {
    return ".zrv-" + std::to_string(processId()) + "-" + std::to_string(++g_counter) + ".tmp";
}

bool ScratchJournal::isTemporaryName(std::string_view name) {
    // ".zrv-" digits "-" digits ".tmp"
    if (name.size() < 12 || name.substr(0, 5) != ".zrv-" || name.substr(name.size() - 4) != ".tmp")
        return false;
    std::string_view mid = name.substr(5, name.size() - 9);
    std::size_t dash = mid.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == mid.size())
        return false;
    for (std::size_t i = 0; i < mid.size(); ++i)
        if (i != dash && (mid[i] < '0' || mid[i] > '9'))
            return false;
    return true;
}

std::size_t ScratchJournal::removeDead(const fs::path& dir) {
    std::size_t removed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const fs::path journal = entry.path();
        if (journal.extension() != ".folders")
            continue;
        const unsigned long pid = std::strtoul(journal.filename().c_str(), nullptr, 10);
        int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        UniqueFd owned(fd);
        // Locked: its process lives.
        if (pid == 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            continue;
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
            text.append(buf, static_cast<std::size_t>(n));
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                break; // a line cut short by the kill names nothing made yet
            const std::string folder = text.substr(start, end - start);
            start = end + 1;
            DIR* d = ::opendir(folder.c_str());
            if (!d)
                continue;
            int dfd = ::dirfd(d);
            while (dirent* e = ::readdir(d)) {
                if (ownerOf(e->d_name) != pid)
                    continue;
                struct stat st {};
                if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
                    ::unlinkat(dfd, e->d_name, 0) == 0)
                    ++removed;
            }
            ::closedir(d);
        }
        ::unlink(journal.c_str());
    }
    return removed;
}

Result<UniqueFd> lockExclusive(const fs::path& file, std::chrono::milliseconds timeout,
                               const std::function<void(bool first)>& waiting) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return systemError(file.string());
    UniqueFd owned(fd);
    const auto until = std::chrono::steady_clock::now() + timeout;
    bool told = false;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return owned;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return systemError(file.string());
        if (std::chrono::steady_clock::now() >= until)
            return fail(WinError::SharingViolation, file.string() + ": held by another run");
        if (waiting)
            waiting(!told);
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace zrv::host
