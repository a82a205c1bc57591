// Path resolution and directory search in a folder of 5,000 files: exact names
// must not scan the folder; case-folded names do.
#include "platform/machine/machine.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using namespace zrv;

namespace {

constexpr int kFiles = 5000;

struct Fixture {
    Fixture() {
        std::string pattern = (fs::temp_directory_path() / "zrv-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        machine = std::move(Machine::open(root / "m").value());
        fs::path big = root / "m" / "drive_c" / "BIG";
        fs::create_directories(big);
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "File%04d.Dat", i);
            std::ofstream(big / name) << "x";
        }
    }
    ~Fixture() {
        machine.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
    std::unique_ptr<Machine> machine;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ResolveExactName(benchmark::State& state) {
    Machine& m = *fixture().machine;
    int i = 0;
    for (auto _ : state) {
        char path[64];
        std::snprintf(path, sizeof path, "C:\\BIG\\File%04d.Dat", i++ % kFiles);
        benchmark::DoNotOptimize(m.stat(path));
    }
    state.counters["resolutions/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ResolveExactName);

void BM_ResolveCaseFoldedName(benchmark::State& state) {
    Machine& m = *fixture().machine;
    int i = 0;
    for (auto _ : state) {
        char path[64];
        std::snprintf(path, sizeof path, "C:\\big\\FILE%04d.DAT", i++ % kFiles);
        benchmark::DoNotOptimize(m.stat(path));
    }
    state.counters["resolutions/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ResolveCaseFoldedName);



void BM_DirectorySearch(benchmark::State& state) {
    Machine& m = *fixture().machine;
    for (auto _ : state) {
        auto found = m.findFiles("C:\\BIG\\FILE1*.DAT");
        benchmark::DoNotOptimize(found);
    }
    state.counters["searches/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DirectorySearch);

void BM_DirectorySearchAll(benchmark::State& state) {
    Machine& m = *fixture().machine;
    for (auto _ : state) {
        auto found = m.findFiles("C:\\BIG\\*.*");
        benchmark::DoNotOptimize(found);
    }
    state.counters["searches/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DirectorySearchAll);

} // namespace

BENCHMARK_MAIN();
