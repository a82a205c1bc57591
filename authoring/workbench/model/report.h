// Where the workbench tells what it does: pane 0 of the status bar (the
// status texts) and the Output window's lines (builds, imports, encryption).
// The Qt workbench shows them; the command line prints them.
#pragma once

#include <string_view>

namespace zrv::workbench {

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void status(std::string_view text) = 0;
    virtual void log(std::string_view line) = 0;
    // A status text by its number (11000-11043).
    void status(int number);
};

} // namespace zrv::workbench
