// zrvx32-ui: the interpreter with Qt's windows and line editing.
#include "interpreter/interfaces.h"

#include "interpreter/ui/qt/qtui.h"
#include "platform/host/module.h"

namespace zrv::frontend {

// This is where runs are handed to.
void handOverIfNeeded(Options&, char**) {}

std::optional<std::string> qtMissing(const Options&) { return std::nullopt; }

Result<std::unique_ptr<zrv::ui::Ui>> makeQtUi(const Options& o) {
    return zrv::ui::qt::createQtUi({o.answers, o.transcript, o.record, o.screenshots});
}

// libedit is loaded only when a person debugs at a terminal, so other runs
// never load it (and its libraries); without it the debugger reads plain lines.
const zrv::ui::LineEditor* lineEditor() {
    static const zrv::ui::LineEditor editor = [] {
        zrv::ui::LineEditor e;
        auto read = host::librarySymbol("libedit.so.2", "readline");
        auto add = host::librarySymbol("libedit.so.2", "add_history");
        if (read && add) {
            e.readline = reinterpret_cast<char* (*)(const char*)>(*read);
            e.addHistory = reinterpret_cast<int (*)(const char*)>(*add);
        }
        return e;
    }();
    return editor.readline ? &editor : nullptr;
}

} // namespace zrv::frontend
