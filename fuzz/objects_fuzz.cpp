// Object definition blocks: the input is the body of a dialog, a backdrop and
// a cue card, each then shown; definitions fail or succeed, never crash.
#include "interpreter/actions/actions.h"
#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "platform/machine/machine.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static fs::path dir = fs::temp_directory_path() / ("zrv-fuzz-objects-" + std::to_string(::getpid()));
    static std::unique_ptr<zrv::Machine> machine = [] {
        fs::remove_all(dir);
        return zrv::Machine::open(dir / "m").value();
    }();
    std::string body(reinterpret_cast<const char*>(data), size);
    for (char& c : body)
        if (c == ':')
            c = ';'; // no labels to jump to
    std::string text = "TRAPERROR(1, 0)\r\nCREATEDIALOG(\"D\", \"T\", 0, 0, 100, 80)\r\n" + body +
                       "\r\nENDOBJECT()\r\nDIALOGBOX(\"D\")\r\nCREATEBACKDROP(\"B\")\r\n" + body +
                       "\r\nENDOBJECT()\r\nSHOWBACKDROP(\"B\")\r\nCREATECUECARD(\"C\", 0, 0, 90, 60, 3)\r\n" + body +
                       "\r\nENDOBJECT()\r\nSHOWCUECARD(\"C\")\r\n";
    std::ofstream(dir / "m" / "drive_c" / "F.SCR", std::ios::binary) << text;
    auto ui = zrv::ui::HeadlessUi::fromText("").value();
    zrv::engine::Interpreter interp(*machine, *ui);
    zrv::actions::registerAll(interp.engine());
    (void)interp.run("C:\\F.SCR");
    return 0;
}
