// The machine's temporary files and its change lock.
//
// Every temporary file the machine makes is named ".zrv-PID-N.tmp" and lies in
// the folder of the file it becomes. Before the first one in a folder, the
// folder is written down in the process's journal (MACHINE/temp/PID-K.folders),
// which the process holds locked while it lives. A process killed part way
// leaves its journal unlocked: the next one to open the machine takes away the
// temporaries the journal's folders still hold, then the journal.
//
// The change lock (MACHINE/lock) lets one run change a machine at a time. It is
// held by an open descriptor, so the kernel lets go when its holder dies.
#pragma once

#include "platform/base/result.h"
#include "platform/host/hostfs.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace zrv::host {

class ScratchJournal {
public:
    // Journals go in `dir` (made on first use).
    explicit ScratchJournal(std::filesystem::path dir);
    ScratchJournal(const ScratchJournal&) = delete;
    ScratchJournal& operator=(const ScratchJournal&) = delete;
    // A journal of a process that ends normally goes with it: its temporaries
    // have been renamed or removed by then.
    ~ScratchJournal();

    // A new temporary name for `hostFolder`, the folder written down first
    // (once). A journal that cannot be written (a read-only machine folder)
    // does not stop the work: only the clean-up after a kill is lost.
    std::string nameIn(const std::filesystem::path& hostFolder);

    // A new temporary name without noting its folder (for a file system
    // without a journal).
    static std::string freshName();
    // True for names this scheme makes (of any process).
    static bool isTemporaryName(std::string_view name);
    // Removes what processes that have died left: their temporaries in the
    // folders their journals name, and the journals. The number of files removed.
    static std::size_t removeDead(const std::filesystem::path& dir);

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_file;
    UniqueFd m_fd;
    std::set<std::string> m_noted;
    bool m_broken = false;
    std::mutex m_mutex;
};

// An exclusive lock on `file` (made when missing), held by the descriptor
// returned. While another holder makes this wait, `waiting` is called about
// every 50 ms (`first` the first time); SharingViolation when the other still
// holds the lock after `timeout`.
Result<UniqueFd> lockExclusive(const std::filesystem::path& file, std::chrono::milliseconds timeout,
                               const std::function<void(bool first)>& waiting);

} // namespace zrv::host
