// The project commands of zrva32: each is Open, change, Save through the same
// model the workbench uses, answering its questions as a script would.
#include "authoring/cli.h"
#include "authoring/project/authoringmachine.h"
#include "authoring/session.h"
#include "authoring/project/document.h"
#include "authoring/project/filelist.h"
#include "authoring/project/imports.h"
#include "authoring/project/objectfile.h"
#include "authoring/project/settings.h"
#include "common/scripttext.h"
#include "common/system.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"


#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace zrv::authoring {

int usageError(const std::string& message) {
    std::fprintf(stderr, "zrva32: %s\nTry 'zrva32 --help'.\n", message.c_str());
    return kExitUsage;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "zrva32: %s\n", message.c_str());
    return kExitFailure;
}

std::optional<std::string> windowsPath(const std::string& arg) { return authoringPath(arg); }

Result<std::unique_ptr<Machine>> openMachine(const std::filesystem::path& dir, const ProgramMappings& programs) {
    return openAuthoringMachine(dir, programs);
}

std::optional<std::string> ansiArg(const std::string& a) { return utf8ToAnsi(a); }

// A 1-based index of a list of `count` entries.
std::optional<int> indexArg(const std::string& text, std::size_t count, const std::string& what, int& status) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno) {
        status = usageError("'" + text + "' is not a number of a " + what);
        return std::nullopt;
    }
    if (v < 1 || static_cast<std::size_t>(v) > count) {
        status = failure("there is no " + what + " " + text + "; the project has " + std::to_string(count));
        return std::nullopt;
    }
    return static_cast<int>(v - 1);
}

namespace {

constexpr std::string_view kSettingsInstall = "Install";


bool isFileProperty(std::string_view name) {
    for (const char* p : kFileProperties)
        if (equalNoCase(p, name))
            return true;
    return false;
}

// PROP=VALUE arguments on entry `index`; a refusal leaves the document as it was.
int setFileProperties(ProjectData& p, int index, const std::vector<std::string>& args, std::size_t from) {
    ProjectData changed = p;
    for (std::size_t i = from; i < args.size(); ++i) {
        const auto eq = args[i].find('=');
        if (eq == std::string::npos || !isFileProperty(args[i].substr(0, eq)))
            return usageError("'" + args[i] + "' is not PROP=VALUE with a file property (see zrva32 --help)");
        auto value = ansiArg(args[i].substr(eq + 1));
        if (!value)
            return failure(args[i] + ": characters Windows code page 1252 cannot hold");
        if (auto r = setFileProperty(changed, index, args[i].substr(0, eq), *value))
            return refused(*r);
    }
    p = std::move(changed);
    return 0;
}

// A text file of the host as one value: CR LF line breaks, the last one dropped.
std::optional<std::string> hostText(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    auto ansi = utf8ToAnsi(text);
    if (!ansi) {
        why = path + ": characters Windows code page 1252 cannot hold";
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 0; i < ansi->size(); ++i) {
        char c = (*ansi)[i];
        if (c == '\r' && i + 1 < ansi->size() && (*ansi)[i + 1] == '\n')
            continue;
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    if (out.ends_with("\r\n"))
        out.resize(out.size() - 2);
    return out;
}

int setCommand(Session& s, const std::vector<std::string>& args) {
    ProjectData& p = s.project->data();
    if (args.size() >= 2 && (args[1] == "dir" || args[1] == "option")) {
        if (args.size() != 4)
            return usageError("set PROJECT " + args[1] + " takes INDEX and TEXT");
        const bool dir = args[1] == "dir";
        int status = 0;
        auto index = indexArg(args[2], dir ? p.directories.size() : p.options.size(),
                              dir ? "directory" : "installation", status);
        if (!index)
            return status;
        auto text = ansiArg(args[3]);
        if (!text)
            return failure(args[3] + ": characters Windows code page 1252 cannot hold");
        if (auto r = dir ? modifyDirectory(p, *index, *text) : modifyOption(p, *index, *text))
            return refused(*r);
        return 0;
    }
    if (args.size() >= 2 && args[1] == "file") {
        if (args.size() < 4)
            return usageError("set PROJECT file takes INDEX and PROP=VALUE...");
        int status = 0;
        auto index = indexArg(args[2], p.files.size(), "file", status);
        if (!index)
            return status;
        return setFileProperties(p, *index, args, 3);
    }
    if (args.size() < 2)
        return usageError("set PROJECT takes KEY=VALUE...");
    ProjectData changed = p;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string setting;
        if (args[i] == "--file") {
            if (i + 1 >= args.size() || args[i + 1].find('=') == std::string::npos)
                return usageError("--file takes KEY=HOSTFILE");
            const std::string& spec = args[++i];
            const std::string key = spec.substr(0, spec.find('='));
            std::string why;
            auto text = hostText(spec.substr(spec.find('=') + 1), why);
            if (!text)
                return failure(why);
            // Multi-line values keep their breaks as the file writes them.
            if (key == "COMMENTS" || key.starts_with("USERCODE"))
                ReplaceAll(*text, "\r\n", "~~");
            setting = key + "=" + *text;
        } else {
            if (args[i].find('=') == std::string::npos)
                return usageError("'" + args[i] + "' is not KEY=VALUE");
            auto ansi = ansiArg(args[i]);
            if (!ansi)
                return failure(args[i] + ": characters Windows code page 1252 cannot hold");
            setting = *ansi;
        }
        auto outcome = applySetting(changed, setting);
        if (outcome.status == SettingStatus::UnknownKey)
            return usageError("'" + setting.substr(0, setting.find('=')) +
                              "' is not a project key that set can change (see zrva32 --help)");
        if (outcome.status == SettingStatus::Refused)
            return refused(outcome.refusal);
    }
    p = std::move(changed);
    return 0;
}

int addCommand(Session& s, const std::vector<std::string>& args) {
    ProjectData& p = s.project->data();
    if (args.size() < 3)
        return usageError("add PROJECT takes dir|option TEXT, bitmap|object PATH or file SOURCE [PROP=VALUE...]");
    const std::string& what = args[1];
    if (what == "dir" || what == "option") {
        if (args.size() != 3)
            return usageError("add PROJECT " + what + " takes one TEXT");
        auto text = ansiArg(args[2]);
        if (!text)
            return failure(args[2] + ": characters Windows code page 1252 cannot hold");
        if (auto r = what == "dir" ? addDirectory(p, *text) : addOption(p, *text))
            return refused(*r);
        return 0;
    }
    auto path = windowsPath(args[2]);
    if (!path)
        return failure(args[2] + ": the name has characters Windows code page 1252 cannot hold");
    if (what == "bitmap" || what == "object") {
        if (args.size() != 3)
            return usageError("add PROJECT " + what + " takes one PATH");
        if (what == "object") {
            if (!objectExists(*s.machine, *path)) {
                std::string text(messageText(10024));
                ReplaceAll(text, "%1", *path);
                return refused(Refusal{0, text, {}});
            }
            if (auto r = importObject(*s.machine, p, *path))
                return refused(*r);
            return 0;
        }
        if (auto r = addBitmap(p, *path))
            return refused(*r);
        return 0;
    }
    if (what != "file")
        return usageError("add takes dir, option, bitmap, object or file, not '" + what + "'");
    FileEntry e = newFileEntry(*path, p.language);
    if (auto r = checkFileEntry(e))
        return refused(*r);
    if (findFile(p, e.source)) {
        std::string text(kDuplicateFileWarning);
        ReplaceAll(text, "%s", e.source);
        return refused(Refusal{0, text, {}});
    }
    if (p.files.size() >= static_cast<std::size_t>(kMaxFiles))
        return refused(refusal(10004));
    p.files.push_back(std::move(e));
    return setFileProperties(p, static_cast<int>(p.files.size()) - 1, args, 3);
}

int removeCommand(Session& s, const std::vector<std::string>& args) {
    ProjectData& p = s.project->data();
    if (args.size() != 3)
        return usageError("remove PROJECT takes dir|option|bitmap|object|file and INDEX");
    const std::string& what = args[1];
    int status = 0;
    auto count = [&]() -> std::optional<std::size_t> {
        if (what == "dir")
            return p.directories.size();
        if (what == "option")
            return p.options.size();
        if (what == "bitmap")
            return p.bitmaps.size();
        if (what == "object")
            return p.objects.size();
        if (what == "file")
            return p.files.size();
        return std::nullopt;
    }();
    if (!count)
        return usageError("remove takes dir, option, bitmap, object or file, not '" + what + "'");
    auto index = indexArg(args[2], *count, what == "dir" ? "directory" : what == "option" ? "installation" : what,
                          status);
    if (!index)
        return status;
    if (what == "dir") {
        if (auto r = deleteDirectory(p, *index))
            return refused(*r);
    } else if (what == "option") {
        if (auto r = deleteOption(p, *index))
            return refused(*r);
    } else if (what == "bitmap") {
        p.bitmaps.erase(p.bitmaps.begin() + *index);
    } else if (what == "object") {
        deleteObject(p, *index, objectName(*s.machine, p.objects[*index]));
    } else {
        p.files.erase(p.files.begin() + *index);
    }
    return 0;
}

int listCommand(Session& s, const std::vector<std::string>& args) {
    bool details = s.settings->getInt("Zorvane", "FullDetails", 0) != 0;
    bool descriptions = s.settings->getInt("Zorvane", "Descriptions", 1) != 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--details")
            details = true;
        else if (args[i] == "--no-descriptions")
            descriptions = false;
        else
            return usageError("list takes --details and --no-descriptions, not '" + args[i] + "'");
    }
    const auto& files = s.project->data().files;
    for (std::size_t i = 0; i < files.size(); ++i)
        std::cout << ansiToUtf8(fileListLine(*s.machine, static_cast<int>(i), files[i], details, descriptions))
                  << "\n";
    return 0;
}

int importComponentsCommand(Session& s, const std::vector<std::string>& args) {
    std::string list = s.settings->getString(kSettingsInstall, "ImportList", "");
    std::vector<std::string> names;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--list") {
            if (i + 1 >= args.size())
                return usageError("--list needs a FILE");
            auto path = windowsPath(args[++i]);
            if (!path)
                return failure(args[i] + ": the name has characters Windows code page 1252 cannot hold");
            list = *path;
        } else {
            auto n = ansiArg(args[i]);
            if (!n)
                return failure(args[i] + ": characters Windows code page 1252 cannot hold");
            names.push_back(*n);
        }
    }
    if (list.empty())
        return failure("no component list: give --list FILE or set Install ImportList");
    const auto components = componentNames(*s.machine, list);
    if (names.empty()) {
        s.readOnly = true;
        for (const auto& c : components)
            std::cout << ansiToUtf8(c) << "\n";
        return 0;
    }
    std::vector<bool> selected(components.size(), false);
    for (const auto& n : names) {
        bool found = false;
        for (std::size_t i = 0; i < components.size(); ++i)
            if (equalNoCase(components[i], n))
                selected[i] = found = true;
        if (!found)
            return failure("no component '" + ansiToUtf8(n) + "' in " + ansiToUtf8(list));
    }
    auto outcome = importComponents(*s.machine, s.project->data(), list, selected);
    if (outcome.refusal)
        return refused(*outcome.refusal);
    std::fprintf(stderr, "zrva32: %d file%s added\n", outcome.added, outcome.added == 1 ? "" : "s");
    return 0;
}

int importVbCommand(Session& s, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return usageError("import-vb takes PROJECT and FILE.MAK or FILE.VBP");
    auto path = windowsPath(args[1]);
    if (!path)
        return failure(args[1] + ": the name has characters Windows code page 1252 cannot hold");
    auto outcome = importVbProject(*s.machine, s.project->data(), *path, [](const std::string& text) {
        Message m;
        m.text = text;
        printMessage(m);
        return Answer::Ok;
    });
    if (outcome.refusal) {
        Message m;
        m.text = outcome.refusal->number ? std::string(messageText(outcome.refusal->number))
                                         : outcome.refusal->message;
        m.file = outcome.refusal->number == 10001 ? *path : std::string();
        printMessage(m);
        return kExitFailure;
    }
    std::fprintf(stderr, "zrva32: %s: %d file%s added\n", std::string(statusText(11035)).c_str(), outcome.added,
                 outcome.added == 1 ? "" : "s");
    return 0;
}

int renderCommand(const std::filesystem::path& machineDir, const std::vector<std::string>& args) {
    bool preview = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (a == "--preview")
            preview = true;
        else
            files.push_back(a);
    }
    if (files.size() != 1)
        return usageError("render takes one OBJECTFILE and --preview");
    int status = 0;
    auto s = startSession(machineDir, status);
    if (!s)
        return status;
    auto path = windowsPath(files[0]);
    if (!path)
        return failure(files[0] + ": the name has characters Windows code page 1252 cannot hold");
    if (!objectExists(*s->machine, *path)) {
        std::string text(messageText(10024));
        ReplaceAll(text, "%1", *path);
        return refused(Refusal{0, text, {}});
    }
    auto lines = renderObject(loadObject(*s->machine, *path), !preview);
    if (!lines)
        return failure(ansiToUtf8(*path) + ": " + lines.error().describe());
    std::string out;
    for (const auto& l : *lines)
        out += l + "\r\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace

int projectCommand(const std::filesystem::path& machineDir, const std::string& command,
                   const std::vector<std::string>& args) {
    static const char* const kCommands[] = {"new", "show", "list", "save", "set", "add", "remove", "relocate",
                                            "import-vb", "import-components", "script", "build",
                                            "files", "move", "object", "preview"};
    if (command == "render")
        return renderCommand(machineDir, args);
    if (command == "preview" || command == "test") {
        if (args.empty())
            return usageError(command + " needs a PROJECT.SPJ");
        return command == "preview" ? previewCommand(machineDir, args) : testCommand(machineDir, args);
    }
    if (std::find(std::begin(kCommands), std::end(kCommands), command) == std::end(kCommands))
        return -1;
    if (args.empty())
        return usageError(command + " needs a PROJECT.SPJ");
    // The shape of the command is checked before anything is opened.
    const std::vector<std::string> lists = {"dir", "option", "bitmap", "object", "file"};
    if ((command == "add" || command == "remove") &&
        (args.size() < 2 || std::find(lists.begin(), lists.end(), args[1]) == lists.end()))
        return usageError(command + " takes dir, option, bitmap, object or file after PROJECT.SPJ");
    int status = 0;
    auto s = startSession(machineDir, status);
    if (!s)
        return status;
    auto path = windowsPath(args[0]);
    if (!path)
        return failure(args[0] + ": the name has characters Windows code page 1252 cannot hold");
    Project& project = *s->project;

    if (command == "new") {
        int language = languageForCountry(CountryCode(*s->machine));
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--language" && i + 1 < args.size()) {
                const std::string& v = args[++i];
                if (v.size() != 1 || v[0] < '0' || v[0] > '6')
                    return usageError("--language takes 0 to 6, not '" + v + "'");
                language = v[0] - '0';
            } else {
                return usageError("new takes PROJECT.SPJ and --language 0-6");
            }
        }
        if (s->machine->exists(*path))
            return failure(ansiToUtf8(*path) + " exists already; new does not replace a file");
        return project.newProject(*path, language) ? 0 : kExitFailure;
    }

    s->relocateAnswer = command == "relocate";
    if (command == "relocate" && args.size() != 1)
        return usageError("relocate takes PROJECT.SPJ");
    if (!project.open(*path))
        return kExitFailure;
    ProjectData& p = project.data();

    if (command == "show") {
        if (args.size() != 1)
            return usageError("show takes PROJECT.SPJ");
        dependencyCheck(p);
        p.storedDirectory = p.directory;
        const std::string bytes = writeProjectFile(p);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return 0;
    }
    if (command == "list")
        return listCommand(*s, args);
    if (command == "script")
        return scriptCommand(*s, args);
    if (command == "build")
        return buildCommand(*s, args);
    if (command == "relocate")
        return 0; // opening answered Yes, rebuilt and saved
    if (command == "save") {
        if (args.size() > 2)
            return usageError("save takes PROJECT.SPJ and, to save as, NEW.SPJ");
        if (args.size() == 1)
            return project.save() ? 0 : kExitFailure;
        auto target = windowsPath(args[1]);
        if (!target)
            return failure(args[1] + ": the name has characters Windows code page 1252 cannot hold");
        if (s->machine->exists(*target))
            return failure(ansiToUtf8(*target) + " exists already; save does not replace another file");
        return project.saveAs(*target) ? 0 : kExitFailure;
    }

    int result = 0;
    if (command == "set")
        result = setCommand(*s, args);
    else if (command == "add")
        result = addCommand(*s, args);
    else if (command == "remove")
        result = removeCommand(*s, args);
    else if (command == "import-vb")
        result = importVbCommand(*s, args);
    else if (command == "files")
        result = filesCommand(*s, args);
    else if (command == "move")
        result = moveCommand(*s, args);
    else if (command == "object")
        result = objectCommand(*s, args);
    else
        result = importComponentsCommand(*s, args);
    // A refusal leaves the file as it was.
    if (result != 0 || s->readOnly)
        return result;
    project.markChanged();
    return project.save() ? 0 : kExitFailure;
}

} // namespace zrv::authoring
