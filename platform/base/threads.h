#pragma once
// Work shared out over a few threads, the calling one among them.
#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace zrv {

// Threads for a `--jobs` count: 0 means one per processor.
inline unsigned workerCount(int jobs) {
    return std::max(1u, jobs > 0 ? static_cast<unsigned>(jobs) : std::thread::hardware_concurrency());
}

// `work` on `threads` threads, this one among them; returns when all are done.
// Each runs the same function, which takes its share from a shared counter.
inline void runOnThreads(unsigned threads, const std::function<void()>& work) {
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
}

} // namespace zrv
