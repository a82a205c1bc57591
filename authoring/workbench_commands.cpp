// The workbench's editing from the command line, through the same model:
// files order, move, object new and set, preview and test.
#include "authoring/cli.h"
#include "authoring/session.h"
#include "authoring/workbench/model/filelist.h"
#include "authoring/workbench/model/objects.h"
#include "authoring/workbench/model/settings.h"
#include "platform/base/ansi.h"
#include "authoring/workbench/model/launch.h"
#include "platform/host/process.h"
#include "platform/machine/machine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cctype>

namespace zrv::authoring {

namespace {

// PROP=VALUE settings of an object: file, name, type, border, caption,
// position, x, y, width, height.
int setObjectFields(workbench::ObjectProperties& o, const std::vector<std::string>& args, std::size_t from) {
    for (std::size_t i = from; i < args.size(); ++i) {
        const auto eq = args[i].find('=');
        if (eq == std::string::npos)
            return usageError("'" + args[i] + "' is not PROP=VALUE");
        const std::string key = lowerAnsi(args[i].substr(0, eq));
        auto value = ansiArg(args[i].substr(eq + 1));
        if (!value)
            return failure(args[i] + ": characters Windows code page 1252 cannot hold");
        static const std::vector<std::pair<const char*, std::vector<const char*>>> kChoices = {
            {"type", {"", "backdrop", "dialog", "cuecard"}},
            {"border", {"none", "black line", "3d sunken", "3d bevel"}},
            {"position", {"(none)", "centre horizontally", "centre vertically", "centre both"}},
        };
        auto number = [&]() -> std::optional<int> {
            char* end = nullptr;
            const long v = std::strtol(value->c_str(), &end, 10);
            if (!value->empty() && !*end)
                return static_cast<int>(v);
            for (const auto& [name, choices] : kChoices)
                if (key == name)
                    for (std::size_t c = 0; c < choices.size(); ++c)
                        if (*choices[c] && equalNoCase(choices[c], *value))
                            return static_cast<int>(c);
            return std::nullopt;
        };
        authoring::ObjectHeader& h = o.header;
        if (key == "file") {
            auto path = windowsPath(args[i].substr(eq + 1));
            if (!path)
                return failure(args[i] + ": the name has characters Windows code page 1252 cannot hold");
            o.path = *path;
        } else if (key == "name") {
            h.name = *value;
        } else if (key == "caption") {
            h.caption = value->substr(0, 128);
        } else {
            int* field = key == "type" ? &h.type : key == "border" ? &h.border : key == "position" ? &h.position
                       : key == "x" ? &h.x : key == "y" ? &h.y : key == "width" ? &h.width : key == "height" ? &h.height
                       : nullptr;
            if (!field)
                return usageError("an object has no property '" + key + "'");
            auto n = number();
            const bool ranged = key == "type" || key == "border" || key == "position";
            const int lo = key == "type" ? 1 : 0, hi = 3;
            if (!n || (ranged && (*n < lo || *n > hi)))
                return failure("'" + args[i].substr(eq + 1) + "' is no value for " + key);
            *field = *n;
        }
    }
    return 0;
}

} // namespace

int filesCommand(Session& s, const std::vector<std::string>& args) {
    if (args.size() < 2 || args[1] != "order")
        return usageError("files PROJECT takes order FILE...");
    std::vector<std::string> names;
    for (std::size_t i = 2; i < args.size(); ++i) {
        auto path = windowsPath(args[i]);
        if (!path)
            return failure(args[i] + ": the name has characters Windows code page 1252 cannot hold");
        names.push_back(*path);
    }
    if (names.size() > static_cast<std::size_t>(kMaxFiles))
        return refused(refusal(10004));
    workbench::FileClipboard clipboard(*s.machine);
    workbench::FileListEditor editor(*s.project, clipboard);
    editor.edit(names);
    for (const FileEntry& e : s.project->data().files)
        if (auto r = checkFileEntry(e))
            return refused(*r);
    return 0;
}

int moveCommand(Session& s, const std::vector<std::string>& args) {
    if (args.size() != 4 || args[1] != "file" || (args[3] != "up" && args[3] != "down"))
        return usageError("move PROJECT takes file N up|down");
    int status = 0;
    auto index = indexArg(args[2], s.project->data().files.size(), "file", status);
    if (!index)
        return status;
    workbench::FileClipboard clipboard(*s.machine);
    workbench::FileListEditor editor(*s.project, clipboard);
    editor.setCaret(*index);
    if (args[3] == "up")
        editor.moveUp();
    else
        editor.moveDown();
    return 0;
}

int objectCommand(Session& s, const std::vector<std::string>& args) {
    if (args.size() < 2 || (args[1] != "new" && args[1] != "set" && args[1] != "delete"))
        return usageError("object PROJECT takes new [PROP=VALUE...], set N [PROP=VALUE...] or delete N");
    ProjectData& p = s.project->data();
    if (args[1] == "delete") {
        if (args.size() != 3)
            return usageError("object PROJECT delete takes N");
        int status = 0;
        auto index = indexArg(args[2], p.objects.size(), "object", status);
        if (!index)
            return status;
        // As the project's object list deletes: the files that showed it as their cue card lose it.
        deleteObject(p, *index, objectName(*s.machine, p.objects[*index]));
        return 0;
    }
    std::optional<std::size_t> slot;
    workbench::ObjectProperties o;
    std::size_t from = 2;
    if (args[1] == "new") {
        o = workbench::newObject(p);
    } else {
        int status = 0;
        if (args.size() < 3)
            return usageError("object PROJECT set takes N");
        auto index = indexArg(args[2], p.objects.size(), "object", status);
        if (!index)
            return status;
        slot = static_cast<std::size_t>(*index);
        o = workbench::objectProperties(*s.machine, p.objects[*slot]);
        from = 3;
    }
    if (int status = setObjectFields(o, args, from))
        return status;
    if (auto r = workbench::acceptObject(*s.project, o, slot))
        return refused(*r);
    std::printf("%s\n", ansiToUtf8(o.path).c_str());
    return 0;
}

namespace {

// What a preview or test hands on to zrvx32, and where its answers come from.
struct InterpreterOptions {
    std::vector<std::string> words; // the interpreter's options
    std::vector<std::string> rest;  // the command's own words
    bool print = false, debug = false;
    std::string disks, testMachine;
};

// Options of preview and test; a usage error is returned in `status`.
std::optional<InterpreterOptions> interpreterOptions(const std::vector<std::string>& args, bool test, int& status) {
    InterpreterOptions o;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool valued = a == "--ui" || a == "--answers" || a == "--transcript" ||
                            (test && (a == "--disks" || a == "--machine-for-test"));
        if (valued && i + 1 >= args.size()) {
            status = usageError(a + " needs a value");
            return std::nullopt;
        }
        if (a == "--ui") {
            const std::string& v = args[++i];
            if (v != "qt" && v != "headless") {
                status = usageError("--ui " + v + ": the interfaces are qt and headless");
                return std::nullopt;
            }
            o.words.insert(o.words.end(), {"--ui", v});
        } else if (a == "--answers" || a == "--transcript") {
            o.words.insert(o.words.end(), {a, std::filesystem::absolute(args[++i]).string()});
        } else if (a == "--disks" && test) {
            o.disks = args[++i];
        } else if (a == "--machine-for-test" && test) {
            o.testMachine = args[++i];
        } else if (a == "--debug" && test) {
            o.debug = true;
        } else if (a == "--print" && !test) {
            o.print = true;
        } else if (!a.empty() && a[0] == '-') {
            status = usageError("unknown option '" + a + "'");
            return std::nullopt;
        } else {
            o.rest.push_back(a);
        }
    }
    return o;
}

std::string lowerFirst(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

int launched(const workbench::Launch& l) {
    if (l.refused)
        return refused(*l.refused);
    return l.exitCode;
}

} // namespace

// The host's zrvx32: $ZRVX32, else the one beside this program (or in the
// build tree's interpreter folder), else the one on PATH.
std::string interpreterProgram() {
    if (const char* env = std::getenv("ZRVX32"); env && *env)
        return env;
    if (auto self = host::runningProgram()) {
        const std::filesystem::path folder = std::filesystem::path(*self).parent_path();
        std::error_code ec;
        for (const auto& candidate : {folder / "zrvx32", folder.parent_path() / "interpreter" / "zrvx32"})
            if (std::filesystem::is_regular_file(candidate, ec))
                return candidate.string();
    }
    return "zrvx32";
}

int previewCommand(const std::filesystem::path& machineDir, const std::vector<std::string>& args) {
    int status = 0;
    auto o = interpreterOptions(args, false, status);
    if (!o)
        return status;
    if (o->rest.size() != 1)
        return usageError("preview PROJECT takes the NAME or number of an object");
    std::vector<std::string> words = {interpreterProgram(), "--machine", std::filesystem::absolute(machineDir).string()};
    words.insert(words.end(), o->words.begin(), o->words.end());
    auto command = workbench::hostCommandLine(words);
    if (!command)
        return failure("a path with a double quote cannot be handed to the interpreter");
    auto s = startSession(machineDir, status, {{"ZRVX32.EXE", *command}});
    auto path = s ? windowsPath(args[0]) : std::nullopt;
    if (!s || !path)
        return s ? failure(args[0] + ": the name has characters Windows code page 1252 cannot hold") : status;
    if (!s->project->open(*path))
        return kExitFailure;
    ProjectData& p = s->project->data();
    std::optional<std::size_t> slot;
    for (std::size_t i = 0; i < p.objects.size(); ++i)
        if (objectName(*s->machine, p.objects[i]) == o->rest[0] || std::to_string(i + 1) == o->rest[0])
            slot = i;
    if (!slot)
        return failure("the project has no object " + o->rest[0]);
    workbench::WorkbenchSettings settings(*s->settings);
    if (o->print) {
        auto preview = workbench::previewScript(*s->machine, p, p.objects[*slot], settings.defaultBackdrop());
        if (preview.refused)
            return refused(*preview.refused);
        std::fwrite(preview.script.data(), 1, preview.script.size(), stdout);
        return 0;
    }
    return launched(workbench::runPreview(*s->machine, settings, p, p.objects[*slot], true));
}

int testCommand(const std::filesystem::path& machineDir, const std::vector<std::string>& args) {
    namespace fs = std::filesystem;
    int status = 0;
    auto o = interpreterOptions(args, true, status);
    if (!o)
        return status;
    if (!o->rest.empty())
        return usageError("test takes PROJECT.SPJ and its options");
    auto s = startSession(machineDir, status);
    auto path = s ? windowsPath(args[0]) : std::nullopt;
    if (!s || !path)
        return s ? failure(args[0] + ": the name has characters Windows code page 1252 cannot hold") : status;
    if (!s->project->open(*path))
        return kExitFailure;
    const ProjectData& p = s->project->data();
    workbench::TestRun run;
    run.debug = o->debug;
    run.testMachine = o->testMachine;
    run.interpreter = {interpreterProgram()};
    run.interpreter.insert(run.interpreter.end(), o->words.begin(), o->words.end());
    if (!o->disks.empty()) {
        run.disks = fs::absolute(o->disks);
    } else if (auto disks = workbench::defaultDiskSet(*s->machine, p)) {
        run.disks = *disks;
    } else {
        return failure(ansiToUtf8(p.directory) + ": the project's folder is not on the host");
    }
    std::string said;
    const workbench::Launch l = workbench::testProject(p, *s->machine, run, said);
    if (!said.empty())
        std::fprintf(stderr, "zrva32: %s\n", lowerFirst(said).c_str());
    return launched(l);
}

} // namespace zrv::authoring
