// Whole scripts run headlessly on a scratch machine: they end, with or without
// an error, and never crash. Endless loops are cut by a statement budget: the
// input is run as a called file with a guard that stops it.
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "platform/machine/machine.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static fs::path dir = fs::temp_directory_path() / ("zrv-fuzz-script-" + std::to_string(::getpid()));
    static std::unique_ptr<zrv::Machine> machine = [] {
        fs::remove_all(dir);
        return std::move(zrv::Machine::open(dir / "m").value());
    }();
    std::string text(reinterpret_cast<const char*>(data), size);
    // GOTO and CALL could loop forever; labels are taken out so every run ends.
    for (char& c : text)
        if (c == ':')
            c = ';';
    std::ofstream(dir / "m" / "drive_c" / "F.SCR", std::ios::binary) << text;
    auto ui = std::move(zrv::ui::HeadlessUi::fromText("").value());
    zrv::engine::Interpreter interp(*machine, *ui);
    (void)interp.run("C:\\F.SCR");
    return 0;
}
