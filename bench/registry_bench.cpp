// Registry writes and reads per second over 10,000 values, each write in its
// own transaction as the interpreter makes them.
#include "platform/registry/registry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace zrv;

namespace {

constexpr int kValues = 10000;

struct Store {
    Store() {
        std::string pattern = (fs::temp_directory_path() / "zrv-regbench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        reg = std::move(Registry::open(dir / "registry.db").value());
    }
    ~Store() {
        reg.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    std::unique_ptr<Registry> reg;
};

std::string key(int i) { return "SOFTWARE\\Bench\\Key" + std::to_string(i % 100); }
std::string name(int i) { return "Value" + std::to_string(i); }

void BM_RegistryWrite(benchmark::State& state) {
    Store s;
    int i = 0;
    for (auto _ : state) {
        auto r = s.reg->setValue(RegRoot::LocalMachine, key(i), name(i), RegType::Sz, "C:\\Program Files\\App\\FILE.DLL");
        benchmark::DoNotOptimize(r);
        i = (i + 1) % kValues;
    }
    state.counters["writes/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RegistryWrite)->Iterations(kValues)->UseRealTime();

void BM_RegistryRead(benchmark::State& state) {
    Store s;
    for (int i = 0; i < kValues; ++i)
        (void)s.reg->setValue(RegRoot::LocalMachine, key(i), name(i), RegType::Dword, "1234");
    int i = 0;
    for (auto _ : state) {
        auto v = s.reg->queryValue(RegRoot::LocalMachine, key(i), name(i));
        benchmark::DoNotOptimize(v);
        i = (i + 1) % kValues;
    }
    state.counters["reads/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RegistryRead)->Iterations(kValues)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
