// The in-memory dialog template of a dialog object: the bytes a Win32 dialog
// would be created from, kept because the trace log shows them and because
// they decide which items a dialog has.
#pragma once

#include "interpreter/ui/display.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zrv::ui {

inline constexpr std::size_t kTemplateSize = 12000;
inline constexpr std::uint32_t kUserDialogStyle = 0x80C800C0;

// The template atom of a control type that is a window, 0 for painted types.
std::uint16_t classAtom(ControlType type);

// Builds the template; false when it would not fit in 12,000 bytes. `bytes`
// then holds what was written. `items` is the number of window items.
bool BuildTemplate(const DisplayObject& object, const std::function<std::string(const std::string&)>& expand,
                   std::vector<std::uint8_t>& bytes, int& items);

} // namespace zrv::ui
