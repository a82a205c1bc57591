// The entry of the Qt module (zrvx32-qt.so) the interpreter loads for a Qt run.
#include "interpreter/ui/qt/qtui.h"

extern "C" __attribute__((visibility("default"))) zrv::ui::Ui* zrvx32CreateQtUi(const zrv::ui::qt::QtOptions* options,
                                                                                std::string* error) {
    auto ui = zrv::ui::qt::createQtUi(*options);
    if (!ui) {
        *error = ui.error().describe();
        return nullptr;
    }
    return ui->release();
}
