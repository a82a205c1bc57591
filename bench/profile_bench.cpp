// WRITEPRIVATEPROFILESTRING( per call as the file grows: a section holding
// 100 to 8,000 entries, each call adding one more or changing one. The target:
// flat, at most 30 us a call at 8,000 entries. The first write of a run reads
// and parses the file once; it is made before the timing (BM_FirstWrite shows
// what it costs).
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace zrv;

namespace {

struct Sandbox {
    explicit Sandbox(int entries) {
        std::string pattern = (fs::temp_directory_path() / "zrv-profbench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        machine = std::move(Machine::open(dir / "m").value());
        std::string text = "[Other]\r\nA=1\r\n\r\n[App]\r\n";
        for (int i = 0; i < entries; ++i)
            text += "Key" + std::to_string(i) + "=C:\\Program Files\\App\\File" + std::to_string(i) + ".DAT\r\n";
        std::ofstream(dir / "m" / "drive_c" / "WINDOWS" / "APP.INI", std::ios::binary) << text;
    }
    ~Sandbox() {
        machine.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    std::unique_ptr<Machine> machine;
};

void BM_FirstWrite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Sandbox s(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        auto r = writePrivateProfileString(*s.machine, "App", "New", "value", "APP.INI");
        if (!r)
            state.SkipWithError(r.error().describe().c_str());
        state.PauseTiming();
        s.machine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstWrite)->Arg(100)->Arg(8000)->Iterations(20)->Unit(benchmark::kMicrosecond);

// Before the timing: the run's first write, which reads the file.
void warmUp(Sandbox& s) { (void)writePrivateProfileString(*s.machine, "App", "Warm", "up", "APP.INI"); }

void BM_WriteNewKey(benchmark::State& state) {
    Sandbox s(static_cast<int>(state.range(0)));
    warmUp(s);
    int i = 0;
    for (auto _ : state) {
        auto r = writePrivateProfileString(*s.machine, "App", "New" + std::to_string(i++), "value", "APP.INI");
        if (!r)
            state.SkipWithError(r.error().describe().c_str());
    }
}
BENCHMARK(BM_WriteNewKey)->Arg(100)->Arg(1000)->Arg(4000)->Arg(8000)->Iterations(300)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ChangeKey(benchmark::State& state) {
    Sandbox s(static_cast<int>(state.range(0)));
    warmUp(s);
    int i = 0;
    for (auto _ : state) {
        auto r = writePrivateProfileString(*s.machine, "App", "Key" + std::to_string(i % 50), std::to_string(i), "APP.INI");
        ++i;
        if (!r)
            state.SkipWithError(r.error().describe().c_str());
    }
}
BENCHMARK(BM_ChangeKey)->Arg(100)->Arg(8000)->Iterations(300)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
