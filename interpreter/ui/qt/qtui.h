// The installer's windows on Qt 6. Callers see only the Ui interface: this
// header includes no Qt.
#pragma once

#include "interpreter/ui/ui.h"
#include "platform/base/result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace zrv::ui::qt {

struct QtOptions {
    std::optional<std::filesystem::path> answers;     // answered from the file, unattended
    std::optional<std::filesystem::path> transcript;  // as the headless back end writes it
    std::optional<std::filesystem::path> record;      // the answers the person gave
    std::optional<std::filesystem::path> screenshots; // a PNG of every window shown
};

Result<std::unique_ptr<Ui>> createQtUi(const QtOptions& options);

} // namespace zrv::ui::qt
