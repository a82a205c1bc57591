// What a build of zrvx32 carries besides the headless interface. zrvx32 itself
// is linked statically and carries nothing more, so a run starts in a few
// milliseconds; a run that needs shared libraries (Qt's windows, or line
// editing for a person debugging at a terminal) it hands to zrvx32-ui beside
// it, the same interpreter linked with them. Each program links one of
// lean.cpp and full.cpp.
#pragma once

#include "interpreter/frontend.h"
#include "interpreter/ui/headless/terminal.h"
#include "interpreter/ui/ui.h"
#include "platform/base/result.h"

#include <memory>
#include <optional>
#include <string>

namespace zrv::frontend {

inline constexpr const char* kInteractiveProgram = "zrvx32-ui";

// Qt's windows: asked for, or the default where a display is named.
bool wantsQt(const Options& o);
// The debugger's stops read from a person typing at a terminal.
bool wantsLineEditing(const Options& o);

// Replaces this process with zrvx32-ui when the run needs what this program
// lacks. Returns when it does not, or when that failed (o.handOverFailed says
// why).
void handOverIfNeeded(Options& o, char** argv);
// Why this program cannot show Qt's windows, or nothing when it can.
std::optional<std::string> qtMissing(const Options& o);
Result<std::unique_ptr<zrv::ui::Ui>> makeQtUi(const Options& o);
// libedit's line editing, or null where this program has none.
const zrv::ui::LineEditor* lineEditor();

} // namespace zrv::frontend
