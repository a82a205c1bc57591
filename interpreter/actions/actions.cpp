#include "interpreter/actions/actions.h"

namespace zrv::actions {

using engine::Engine;

void registerAll(Engine& engine) {
    registerRegistryCommands(engine);
    registerProgramManagerCommands(engine);
    registerProgramCommands(engine);
    registerDeinstallCommands(engine);
    registerFileCommands(engine);
    registerProfileCommands(engine);
    registerStreamCommands(engine);
    registerDateCommands(engine);
    registerCopyCommands(engine);
    registerOverwriteCommands(engine);
    registerDisplayCommands(engine);
    registerDialogCommands(engine);
}

} // namespace zrv::actions
