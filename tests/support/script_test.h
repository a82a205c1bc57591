// Scripts run through the interpreter on a fresh machine, answered headlessly.
#pragma once

#include "interpreter/engine/interpreter.h"
#include "interpreter/ui/headless/headless.h"
#include "tests/support/testing.h"

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace zrv::testing {

// Script lines joined with the CR LF that ends every line of a script.
inline std::string crlf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

inline std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

class ScriptTest : public MachineTest {
  protected:
    // Runs C:\MAIN.SCR holding `text`; keeps the interpreter for inspection.
    int run(const std::string& text, const std::string& answers = "",
            const std::string& commandLine = "C:\\MAIN.SCR") {
        put("C:\\MAIN.SCR", text);
        ui = std::move(ui::HeadlessUi::fromText(answers).value());
        interp = std::make_unique<engine::Interpreter>(*m, *ui);
        prepare(interp->engine());
        return interp->run(commandLine);
    }
    // Registers the statements a suite needs beyond the engine's own.
    virtual void prepare(engine::Engine&) {}

    std::string var(const std::string& name) {
        return interp->engine().variables().GetVariable(name);
    }
    // The error numbers of the error reports shown, in order.
    std::vector<int> errors() {
        std::vector<int> out;
        for (const std::string& line : ui->transcript()) {
            std::size_t at = line.find("\"error\":");
            if (at != std::string::npos)
                out.push_back(std::atoi(line.c_str() + at + 8));
        }
        return out;
    }
    std::string trace() { return get("C:\\DEBUG.DBG"); }
    void enableTrace() { put("C:\\WINDOWS\\ZRVX32.INI", "[Debug]\r\nDebug=1\r\n"); }

    std::unique_ptr<ui::HeadlessUi> ui;
    std::unique_ptr<engine::Interpreter> interp;
};

} // namespace zrv::testing
