// What the zrva32 commands share inside the tool: the session a project
// command works in, and messages on stderr.
#pragma once

#include "authoring/cli.h"
#include "authoring/project/document.h"
#include "authoring/project/settings.h"
#include "platform/machine/machine.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zrv::authoring {

// A message on stderr: its text without the marker, with where it was found.
void printMessage(const Message& m);
int refused(const Refusal& r);

// Everything a command needs: the machine, its settings, the project.
struct Session {
    std::unique_ptr<Machine> machine;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Project> project;
    bool relocateAnswer = false; // the moved-project question's answer
    bool readOnly = false;       // the command only looked
};

// On the heap: the prompts refer to it.
std::unique_ptr<Session> startSession(const std::filesystem::path& dir, int& status,
                                      const ProgramMappings& programs = {});

// zrva32 script and build.
int scriptCommand(Session& s, const std::vector<std::string>& args);
int buildCommand(Session& s, const std::vector<std::string>& args);
// The workbench's editing: files order, move, object, preview.
int filesCommand(Session& s, const std::vector<std::string>& args);
int moveCommand(Session& s, const std::vector<std::string>& args);
int objectCommand(Session& s, const std::vector<std::string>& args);
// zrva32 preview and test: they start the interpreter, so they open the
// machine themselves with the programs it may start.
int previewCommand(const std::filesystem::path& machineDir, const std::vector<std::string>& args);
int testCommand(const std::filesystem::path& machineDir, const std::vector<std::string>& args);

} // namespace zrv::authoring
