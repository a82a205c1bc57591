// The workbench's editing from the command line, through the same model:
// files order, move, object new and set, preview.
#include "authoring/cli.h"
#include "authoring/session.h"
#include "authoring/workbench/model/filelist.h"
#include "authoring/workbench/model/objects.h"
#include "authoring/workbench/model/settings.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <cstdio>
#include <cstdlib>

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
    if (args.size() < 2 || (args[1] != "new" && args[1] != "set"))
        return usageError("object PROJECT takes new [PROP=VALUE...] or set N [PROP=VALUE...]");
    ProjectData& p = s.project->data();
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

int previewCommand(Session& s, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return usageError("preview PROJECT takes the NAME or number of an object");
    ProjectData& p = s.project->data();
    std::optional<std::size_t> slot;
    for (std::size_t i = 0; i < p.objects.size(); ++i)
        if (objectName(*s.machine, p.objects[i]) == args[1] || std::to_string(i + 1) == args[1])
            slot = i;
    if (!slot)
        return failure("the project has no object " + args[1]);
    auto preview = workbench::previewScript(*s.machine, p, p.objects[*slot],
                                            workbench::WorkbenchSettings(*s.settings).defaultBackdrop());
    if (preview.refused) {
        std::fprintf(stderr, "zrva32: %s\n", ansiToUtf8(preview.refused->message).c_str());
        return kExitFailure;
    }
    std::fwrite(preview.script.data(), 1, preview.script.size(), stdout);
    s.readOnly = true;
    return 0;
}

} // namespace zrv::authoring
