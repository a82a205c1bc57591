// The entry of the workbench module (zrva32-qt.so) that zrva32 loads when it
// opens the workbench, so its other commands never load Qt.
#include "authoring/workbench/workbench.h"

extern "C" __attribute__((visibility("default"))) int zrva32RunWorkbench(
    const zrv::workbench::qt::WorkbenchOptions* options, std::string* error) {
    return zrv::workbench::qt::runWorkbench(*options, *error);
}
