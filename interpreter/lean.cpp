// zrvx32: the headless interface only; other runs go to zrvx32-ui.
#include "interpreter/interfaces.h"

#include "platform/host/process.h"

#include <filesystem>

namespace zrv::frontend {

void handOverIfNeeded(Options& o, char** argv) {
    if (!wantsQt(o) && !wantsLineEditing(o))
        return;
    auto self = host::runningProgram();
    if (!self) {
        o.handOverFailed = self.error().message;
        return;
    }
    o.handOverFailed =
        host::replaceWith((std::filesystem::path(*self).parent_path() / kInteractiveProgram).string(), argv);
}

std::optional<std::string> qtMissing(const Options& o) {
    return "the Qt interface cannot be loaded: " +
           (o.handOverFailed.empty() ? std::string("this program has none") : o.handOverFailed);
}

Result<std::unique_ptr<zrv::ui::Ui>> makeQtUi(const Options& o) { return fail(WinError::NotSupported, *qtMissing(o)); }

// Debugging at a terminal without zrvx32-ui beside: plain lines.
const zrv::ui::LineEditor* lineEditor() { return nullptr; }

} // namespace zrv::frontend
