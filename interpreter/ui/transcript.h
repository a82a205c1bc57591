// The transcript of a run: one JSON object a line for every window shown and
// every answer given, kept in memory and written to a file where one is named.
// Both back ends write it the same way.
#pragma once

#include "interpreter/ui/dialog.h"
#include "interpreter/ui/display.h"
#include "interpreter/ui/ui.h"
#include "platform/base/result.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::ui {

class Transcript {
public:
    // Lines go to `file` from now on (it is emptied first).
    Result<void> open(const std::filesystem::path& file);
    void record(const std::string& json);
    // Lines are kept in memory only for those that read them back (tests): a
    // run keeps none, so its memory does not grow with the files it copies.
    void keepLines() { m_keep = true; }
    const std::vector<std::string>& lines() const { return m_lines; }

    void box(const MessageBoxRequest& request, int result, std::string_view from);
    // A dialog that ended: what it showed (unless its start ended it), its
    // controls and the variables it wrote.
    void dialog(Dialog& dialog, int result, int occurrence, std::string_view from, const Metrics& metrics,
                const TextMeasurer& measurer);
    void copyOpened(const CopyDialog& copy);
    void copyClosed(const Gauge& gauge, int status);
    void transfer(const std::string& source, const std::string& target, int status);
    // A stop of the script debugger: the file, line and statement, the
    // parameters and variables listed, and the button that ended it.
    void debugStop(const DebugView& view, int result, std::string_view from);
    // What a window shows now (the copy dialog has lines of its own).
    void changed(Display& display, Ui::Window window, const TextMeasurer& measurer, const Ui::Expander& expand);

private:
    std::ofstream m_out;
    bool wanted() const { return m_keep || m_out.is_open(); }

    std::vector<std::string> m_lines;
    bool m_keep = false;
    bool m_waitShown = false;
};

} // namespace zrv::ui
