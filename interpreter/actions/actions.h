// The installation commands. Each group registers its statements with the
// engine; the state they keep for the run lives with them.
#pragma once

#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "platform/base/result.h"

namespace zrv::actions {

// A handler of a group that keeps state, bound to that state (which the
// engine owns for the run).
template <class State>
engine::Handler bindState(int (*handler)(engine::Engine&, engine::StatementLine&, State&), State& state) {
    return [handler, &state](engine::Engine& e, engine::StatementLine& s) { return handler(e, s, state); };
}

// The error a failed write of a file the statement keeps (a profile, the
// de-install script) raises, so an error trap sees it: no space, or any other
// write failure.
inline int writeError(const Error& e) {
    return static_cast<int>(e.code == WinError::DiskFull ? engine::kErrNoSpace : engine::kErrWrite);
}

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
void registerOverwriteCommands(engine::Engine& engine);
void registerDisplayCommands(engine::Engine& engine);
void registerDialogCommands(engine::Engine& engine);

} // namespace zrv::actions
