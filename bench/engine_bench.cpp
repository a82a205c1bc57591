// The interpreter on a counting loop (SET, IF, GOTO back to a label), in
// statements per second, the tokenizer alone in lines per second, and
// ADDDEINSTALL( per call as the de-install script grows.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/engine/tokenizer.h"
#include "interpreter/ui/headless/headless.h"
#include "platform/machine/machine.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace zrv;

namespace {

struct Box {
    Box() {
        std::string pattern = (fs::temp_directory_path() / "zrv-enginebench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        machine = std::move(Machine::open(dir / "m").value());
    }
    ~Box() {
        machine.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    std::unique_ptr<Machine> machine;
};

void BM_CountingLoop(benchmark::State& state) {
    Box box;
    const long n = state.range(0);
    std::ofstream(box.dir / "m" / "drive_c" / "LOOP.SCR", std::ios::binary)
        << "SET %I% = 0\r\n:LOOP\r\nSET %I% = %I% + 1\r\nIF %I% < " << n << " GOTO :LOOP\r\n";
    for (auto _ : state) {
        auto ui = std::move(ui::HeadlessUi::fromText("").value());
        engine::Interpreter interp(*box.machine, *ui);
        int status = interp.run("C:\\LOOP.SCR");
        if (status != 0)
            state.SkipWithError("the loop failed");
    }
    // Three statements a round: the label line, SET and IF with its GOTO.
    state.counters["statements/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(n) * 3, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CountingLoop)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A loop whose GOTO goes to the last of `labels` labels: the cost of a jump
// should not grow with the labels before it.
void BM_GotoAmongLabels(benchmark::State& state) {
    Box box;
    const long labels = state.range(0), rounds = 100000;
    {
        std::ofstream script(box.dir / "m" / "drive_c" / "LABELS.SCR", std::ios::binary);
        script << "SET %I% = 0\r\nGOTO :LOOP\r\n";
        for (long i = 0; i < labels; ++i)
            script << ":L" << i << "\r\n";
        script << ":LOOP\r\nSET %I% = %I% + 1\r\nIF %I% < " << rounds << " GOTO :LOOP\r\n";
    }
    for (auto _ : state) {
        auto ui = std::move(ui::HeadlessUi::fromText("").value());
        engine::Interpreter interp(*box.machine, *ui);
        if (interp.run("C:\\LABELS.SCR") != 0)
            state.SkipWithError("the loop failed");
    }
    state.counters["jumps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(rounds), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GotoAmongLabels)->Arg(10)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A run that records `n` de-install lines, opening and closing the script
// (which is written then) included: the time per call should not grow with n.
// The target: at most 30 us a call at 8,000 lines.
void BM_AddDeinstall(benchmark::State& state) {
    Box box;
    const long n = state.range(0);
    std::ofstream(box.dir / "m" / "drive_c" / "DEINST.SCR", std::ios::binary)
        << "OPENDEINSTALL(\"C:\\UNINST.SCR\")\r\nSET %I% = 0\r\n:LOOP\r\n"
           "ADDDEINSTALL(\"$FILES$\", \"C:\\Program Files\\App\\File%I%.DAT\")\r\n"
           "SET %I% = %I% + 1\r\nIF %I% < " << n << " GOTO :LOOP\r\nCLOSEDEINSTALL()\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove(box.dir / "m" / "drive_c" / "UNINST.SCR", ec); // each run starts a new script
        auto ui = std::move(ui::HeadlessUi::create(std::nullopt, std::nullopt).value());
        engine::Interpreter interp(*box.machine, *ui);
        actions::registerAll(interp.engine());
        state.ResumeTiming();
        if (interp.run("C:\\DEINST.SCR") != 0)
            state.SkipWithError("the script failed");
    }
    state.counters["per call"] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(n),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddDeinstall)->Arg(100)->Arg(1000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Tokenizer(benchmark::State& state) {
    engine::TokenLine line;
    engine::StringPool strings;
    engine::NumberPool numbers;
    const char* text = "IF \"%NAME%\" == \"C:\\WINDOWS\\SYSTEM\" MESSAGEBOX(\"Ready ^65 |\", \"Setup\", MB_YESNO, MB_ICONQUESTION)";
    auto lookup = [](std::string_view) { return std::string("value"); };
    for (auto _ : state)
        benchmark::DoNotOptimize(engine::Tokenize(line, text, strings, numbers, lookup));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tokenizer);

} // namespace

BENCHMARK_MAIN();
