// The open project: a document on the authoring machine with New, Open, Save,
// Save As and Close, the save prompt and the moved-project rebuild. Messages,
// questions and status texts go through callbacks, so a window, a terminal or
// a test answers them.
#pragma once

#include "authoring/project/projectfile.h"

#include <functional>
#include <string>
#include <string_view>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    int number = 0;   // string-table number, 0 for none
    std::string text; // with its "!" or "?3" marker when it has one
    Buttons buttons = Buttons::Ok;
    std::string file; // where known
    int line = 0;
    std::string key;
};

struct Prompts {
    std::function<Answer(const Message&)> ask; // unset: OK, Yes
    std::function<void(int)> status;           // a status-text number
    std::function<void(const std::string&)> opened; // recently-used list
};

class Project {
public:
    // `defaultBackdrop` is the setting that names the default backdrop;
    // `language` the tool's language for new documents.
    Project(Machine& machine, Prompts prompts, std::string defaultBackdrop, int language);

    ProjectData& data() { return m_data; }
    const ProjectData& data() const { return m_data; }
    bool changed() const { return m_changed; }
    void markChanged() { m_changed = true; }
    bool isOpen() const { return m_open; }
    Machine& machine() { return m_machine; }

    // Each returns whether it was done; refusals were reported.
    bool newProject(std::string_view path, int language);
    bool open(std::string_view path);
    bool save();
    bool saveAs(std::string_view path);
    bool close();
    // The Yes of the moved-project question: the paths under the old project
    // directory move to the new one, in the project and its object files.
    bool relocate();
    // The project lies somewhere else than where it was last saved.
    bool moved() const;

    // Answers through the callbacks.
    Answer ask(const Message& m);
    Answer ask(int number, Buttons buttons = Buttons::Ok);
    void report(const Refusal& r);
    void status(int number);

private:
    bool savePrompt();
    void setIdentity(const std::string& fullPath);
    bool write(const std::string& path);

    Machine& m_machine;
    Prompts m_prompts;
    std::string m_defaultBackdrop;
    int m_language;
    ProjectData m_data;
    bool m_changed = false;
    bool m_open = false;
};

} // namespace zrv::authoring
