#include "authoring/project/document.h"

#include "authoring/project/objectfile.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

namespace zrv::authoring {

Project::Project(Machine& machine, Prompts prompts, std::string defaultBackdrop, int language)
    : m_machine(machine), m_prompts(std::move(prompts)), m_defaultBackdrop(std::move(defaultBackdrop)),
      m_language(language), m_data(newProjectData(language, m_defaultBackdrop)) {
    m_data.storedDirectory = AddBackslash(machine.currentDirectory());
}

Answer Project::ask(const Message& m) {
    if (m_prompts.ask)
        return m_prompts.ask(m);
    return m.buttons == Buttons::Ok || m.buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

Answer Project::ask(int number, Buttons buttons) {
    Message m;
    m.number = number;
    m.text = std::string(messageText(number));
    m.buttons = buttons;
    return ask(m);
}

void Project::report(const Refusal& r) {
    Message m;
    m.number = r.number;
    m.text = r.number ? std::string(messageText(r.number)) : r.message;
    m.key = r.key;
    ask(m);
}

void Project::status(int number) {
    if (m_prompts.status)
        m_prompts.status(number);
}

bool Project::savePrompt() {
    if (!m_changed)
        return true;
    Message m;
    m.text = std::string(kSavePrompt);
    m.buttons = Buttons::YesNoCancel;
    switch (ask(m)) {
    case Answer::Cancel: return false;
    case Answer::Yes: return save();
    default: return true;
    }
}

void Project::setIdentity(const std::string& fullPath) {
    m_data.path = fullPath;
    const auto slash = fullPath.rfind('\\');
    m_data.title = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
    m_data.directory = slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
}

bool Project::write(const std::string& path) {
    if (auto r = checkProject(m_data)) {
        report(*r);
        return false;
    }
    auto written = m_machine.writeFileAtomic(path, writeProjectFile(m_data));
    if (!written) {
        Message m;
        m.text = "!Error: Unable to save the project: " + written.error().describe();
        m.file = path;
        ask(m);
        return false;
    }
    return true;
}

bool Project::newProject(std::string_view path, int language) {
    if (!savePrompt())
        return false;
    auto full = m_machine.fullPath(path);
    if (!full) {
        report(refusal(10000));
        return false;
    }
    ProjectData fresh = newProjectData(language, m_defaultBackdrop);
    const ProjectData before = m_data;
    m_data = std::move(fresh);
    setIdentity(full->text());
    std::string ini = m_data.title;
    if (auto dot = ini.rfind('.'); dot != std::string::npos)
        ini.erase(dot);
    m_data.iniFile = ini + ".INI";
    if (auto r = checkText("LICENSEINI", m_data.iniFile, Width::Path)) {
        m_data = before;
        report(*r);
        return false;
    }
    m_data.storedDirectory = m_data.directory;
    dependencyCheck(m_data);
    if (auto r = checkProject(m_data); r || !m_machine.writeFileAtomic(m_data.path, writeProjectFile(m_data))) {
        m_data = before;
        report(refusal(10000));
        return false;
    }
    ChangeDirectory(m_machine, m_data.directory);
    m_changed = false;
    m_open = true;
    if (m_prompts.opened)
        m_prompts.opened(m_data.path);
    status(11004);
    return true;
}

bool Project::open(std::string_view path) {
    if (!savePrompt())
        return false;
    status(11000);
    auto full = m_machine.fullPath(path);
    auto bytes = full ? m_machine.readFile(full->text()) : Result<std::string>(full.error());
    if (!bytes) {
        status(11014);
        Message m;
        m.number = 10001;
        m.text = std::string(messageText(10001));
        m.file = std::string(path);
        ask(m);
        return false;
    }
    ReadOutcome read = readProjectFile(*bytes, newProjectData(m_language, m_defaultBackdrop));
    for (const LineProblem& w : read.warnings) {
        Message m;
        m.text = w.message;
        m.file = full->text();
        m.line = w.line;
        m.key = w.key;
        ask(m);
    }
    if (!read.data) {
        status(11014);
        Message m;
        m.number = read.error->number;
        m.text = read.error->number ? std::string(messageText(read.error->number)) : read.error->message;
        m.file = full->text();
        m.line = read.error->line;
        m.key = read.error->key;
        ask(m);
        return false;
    }
    m_data = std::move(*read.data);
    setIdentity(full->text());
    if (m_prompts.opened)
        m_prompts.opened(m_data.path);
    ChangeDirectory(m_machine, m_data.directory);
    m_changed = false;
    m_open = true;
    if (moved()) {
        Message question;
        question.number = 10005;
        question.text = std::string(messageText(10005));
        question.buttons = Buttons::YesNo;
        question.file = m_data.path;
        if (ask(question) == Answer::Yes && !relocate())
            return false;
    }
    status(11042);
    if (dependencyCheck(m_data))
        m_changed = true;
    status(11043);
    status(11001);
    return true;
}

bool Project::moved() const { return !equalNoCase(m_data.storedDirectory, m_data.directory); }

bool Project::relocate() {
    const std::string from = m_data.storedDirectory;
    const std::string to = m_data.directory;
    if (!from.empty() && from != to) {
        for (auto& e : m_data.files)
            ReplaceAll(e.source, from, to);
        for (auto& o : m_data.objects)
            ReplaceAll(o, from, to);
        for (auto& b : m_data.bitmaps)
            ReplaceAll(b.path, from, to);
        for (const auto& o : m_data.objects) {
            if (!objectExists(m_machine, o))
                continue;
            IniDocument doc = loadObject(m_machine, o);
            auto controls = readControls(doc);
            bool changed = false;
            for (auto& c : controls) {
                std::string before = c.bitmap;
                ReplaceAll(c.bitmap, from, to);
                changed |= before != c.bitmap;
            }
            if (!changed)
                continue;
            saveControls(doc, controls);
            if (auto r = storeObject(m_machine, o, doc); !r) {
                Message m;
                m.text = "!Error: Unable to write the object file: " + r.error().describe();
                m.file = o;
                ask(m);
                return false;
            }
        }
    }
    m_data.storedDirectory = to;
    m_changed = true;
    return save();
}

bool Project::save() {
    if (!m_open)
        return false;
    status(11006);
    status(11042);
    dependencyCheck(m_data);
    status(11043);
    const std::string before = m_data.storedDirectory;
    m_data.storedDirectory = m_data.directory;
    if (!write(m_data.path)) {
        m_data.storedDirectory = before;
        return false;
    }
    m_changed = false;
    status(11007);
    return true;
}

bool Project::saveAs(std::string_view path) {
    auto full = m_machine.fullPath(path);
    if (!full) {
        report(refusal(10000));
        return false;
    }
    const ProjectData before = m_data;
    const bool wasOpen = m_open;
    setIdentity(full->text());
    m_open = true;
    if (!save()) {
        m_data = before;
        m_open = wasOpen;
        return false;
    }
    if (m_prompts.opened)
        m_prompts.opened(m_data.path);
    return true;
}

bool Project::close() {
    if (!savePrompt())
        return false;
    m_open = false;
    m_data.files.clear();
    m_data.title = m_data.path = "[Untitled]";
    m_changed = false;
    status(11005);
    return true;
}

} // namespace zrv::authoring
