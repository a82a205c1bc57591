#include "authoring/workbench/model/objects.h"

#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/base/ini.h"
#include "platform/profile/profile.h"
#include "platform/machine/machine.h"

namespace zrv::workbench {

using authoring::Check;
using authoring::refusal;

namespace {


std::string withTypeExtension(std::string_view path, int type) {
    const char* ext = type == 2 ? ".DLG" : type == 3 ? ".CUE" : ".BKD";
    std::string out(path);
    const auto slash = out.find_last_of("\\:");
    const auto dot = out.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        out.erase(dot);
    return out + ext;
}

std::string backslashed(std::string dir) {
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir;
}

} // namespace

ObjectProperties newObject(const authoring::ProjectData& p) {
    const std::string n = std::to_string(p.objects.size() + 1);
    ObjectProperties o;
    o.path = backslashed(p.directory) + "OBJECT" + n + ".BKD";
    o.header.name = "Object" + n;
    o.header.caption = "Default Caption";
    return o;
}

ObjectProperties objectProperties(Machine& machine, std::string_view path) {
    return {std::string(path), authoring::readHeader(authoring::loadObject(machine, path))};
}

Fields fieldsFor(int type) { return {type == 2, type == 2 || type == 3, type == 3}; }

Check acceptObject(authoring::Project& project, ObjectProperties& object, std::optional<std::size_t> slot) {
    Machine& machine = project.machine();
    authoring::ProjectData& p = project.data();
    const std::string name(trimBlanks(object.header.name));
    if (name.empty() || name.size() > 40)
        return refusal(10015, "NAME");
    // Case matters here: "Setup" and "SETUP" are two objects.
    for (std::size_t i = 0; i < p.objects.size(); ++i)
        if ((!slot || i != *slot) && authoring::objectName(machine, p.objects[i]) == name)
            return refusal(10016, "NAME");
    if (!slot && p.objects.size() >= static_cast<std::size_t>(authoring::kMaxObjects))
        return refusal(10017, "NAME");
    if (slot && *slot >= p.objects.size())
        return refusal(10015, "NAME");
    if (object.header.type < 1 || object.header.type > 3)
        return refusal(0, "TYPE");
    const std::string path = withTypeExtension(trimBlanks(object.path), object.header.type);
    if (path.size() > 255 || trimBlanks(object.path).empty())
        return refusal(10014, "FILE");
    if (!authoring::objectExists(machine, path)) {
        auto made = machine.writeFileAtomic(profileFilePath(machine, path), "");
        if (!made)
            return refusal(10014, "FILE");
    }
    IniDocument doc = authoring::loadObject(machine, path);
    authoring::ObjectHeader h = object.header;
    h.name = name;
    authoring::writeHeader(doc, h);
    if (!authoring::storeObject(machine, path, doc))
        return refusal(10014, "FILE");
    object.path = path;
    object.header.name = name;
    if (slot)
        p.objects[*slot] = path;
    else
        p.objects.push_back(path);
    project.markChanged();
    return std::nullopt;
}

Preview previewScript(Machine& machine, const authoring::ProjectData& p, std::string_view objectPath,
                      std::string_view defaultBackdropPath) {
    Preview out;
    std::string& s = out.script;
    auto line = [&](std::string_view text) {
        s += text;
        s += "\r\n";
    };
    line("// Preview script file");
    line("Set %Application%=\"" + p.appName + "\"");
    line("Set %Caption%=\"" + p.text(authoring::DialogText::Caption) + "\"");
    line("Set %Message1% = \"Message1\"");
    line("Set %Message2% = \"Message2\"");
    line("Set %Message3% = \"Message3\"");
    line("");
    auto creation = [&](std::string_view path) -> bool {
        auto lines = authoring::objectExists(machine, path)
                         ? authoring::renderObject(authoring::loadObject(machine, path), true)
                         : Result<std::vector<std::string>>(fail(WinError::FileNotFound, std::string(path)));
        if (!lines) {
            out.refused = refusal(10024, "OBJECT");
            ReplaceAll(out.refused->message, "%1", path);
            return false;
        }
        for (const std::string& l : *lines)
            line(l);
        return true;
    };
    const authoring::ObjectHeader h = authoring::readHeader(authoring::loadObject(machine, objectPath));
    if (h.type != 1 && !creation(defaultBackdropPath))
        return out;
    if (!creation(objectPath))
        return out;
    if (h.type == 1) {
        line("ShowBackdrop(\"" + h.name + "\")");
    } else {
        line("ShowBackdrop(\"DEFAULTBACKDROP\")");
        line(std::string(h.type == 2 ? "DialogBox" : "ShowCueCard") + "(\"" + h.name + "\")");
    }
    if (h.type != 2)
        line("MessageBox(\"Object Preview Complete!\",\"Preview\",MB_OK,0)");
    return out;
}

} // namespace zrv::workbench
