// The installation commands. Each group registers its statements with the
// engine; the state they keep for the run lives with them.
#pragma once

namespace zrv::engine {
class Engine;
}

namespace zrv::actions {

void registerAll(engine::Engine& engine);

void registerRegistryCommands(engine::Engine& engine);
void registerProgramManagerCommands(engine::Engine& engine);
void registerProgramCommands(engine::Engine& engine);
void registerDeinstallCommands(engine::Engine& engine);
void registerFileCommands(engine::Engine& engine);
void registerProfileCommands(engine::Engine& engine);
void registerStreamCommands(engine::Engine& engine);
void registerDateCommands(engine::Engine& engine);
void registerCopyCommands(engine::Engine& engine);
void registerDisplayCommands(engine::Engine& engine);
void registerDialogCommands(engine::Engine& engine);

} // namespace zrv::actions
