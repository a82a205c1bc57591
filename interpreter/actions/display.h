// Operations of the display commands other statements use.
#pragma once

#include <string>

namespace zrv::engine {
class Engine;
}

namespace zrv::actions {

// Shows `name` as the main window's backdrop (empty: none); the preparation's
// error: 0, 10052 or 10058.
int SetBackdrop(engine::Engine& e, const std::string& name);
// The box of a bitmap file that cannot be opened.
void missingBitmap(engine::Engine& e);
// Hides the current cue card, if one is shown.
void HideCueCard(engine::Engine& e);

} // namespace zrv::actions
