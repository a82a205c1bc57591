#include "authoring/project/imports.h"

#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/base/ini.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace zrv::authoring {

namespace {

std::vector<std::string> linesOf(std::string_view bytes) {
    std::vector<std::string> out;
    for (std::size_t start = 0; start < bytes.size();) {
        auto end = bytes.find('\n', start);
        std::string l(bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        out.push_back(std::move(l));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::string withoutQuotes(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != '"')
            out += c;
    return out;
}

// Appends a new entry unless its source is there already (the warning's
// Cancel ends the import) or the list is full.
enum class Added { Yes, Skipped, Stop };
Added append(ProjectData& p, FileEntry e, const DuplicateAnswer& duplicate, ImportOutcome& out) {
    if (findFile(p, e.source)) {
        std::string text(kDuplicateFileWarning);
        ReplaceAll(text, "%s", e.source);
        if (duplicate && duplicate(text) == Answer::Cancel) {
            out.completed = false;
            return Added::Stop;
        }
        return Added::Skipped;
    }
    if (p.files.size() >= static_cast<std::size_t>(kMaxFiles)) {
        out.completed = false;
        out.refusal = refusal(10004);
        return Added::Stop;
    }
    if (e.extension.empty())
        e.extension = derivedExtension(e.source);
    if (auto r = checkFileEntry(e)) {
        out.completed = false;
        out.refusal = r;
        return Added::Stop;
    }
    p.files.push_back(std::move(e));
    ++out.added;
    return Added::Yes;
}

} // namespace

std::string debugDataName(std::string_view projectPath) {
    std::string p = upperAnsi(projectPath);
    const auto slash = p.rfind('\\');
    const auto dot = p.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        p.erase(dot);
    return p + ".DDB";
}

ImportOutcome importVbProject(Machine& machine, ProjectData& p, std::string_view path,
                              const DuplicateAnswer& duplicate) {
    ImportOutcome out;
    auto bytes = machine.readFile(path);
    if (!bytes) {
        out.completed = false;
        out.refusal = refusal(10001);
        return out;
    }
    std::string dir = AddBackslash(DirectoryOf(path));
    std::string path16 = dir, path32 = dir, title = "%Application%", exe16, exe32;
    const std::string system = AddBackslash(machine.systemDirectory());
    for (const std::string& raw : linesOf(*bytes)) {
        const std::string own(trimBlanks(raw));
        const std::string line = upperAnsi(own);
        if (line.find(".VBX") != std::string::npos || line.find(".OCX") != std::string::npos) {
            const bool object = line.starts_with("OBJECT=");
            std::string source;
            if (line.starts_with("VBX=")) {
                source = line.substr(4);
            } else if (object) {
                std::string name = line.substr(line.rfind(';') + 1);
                name.erase(0, name.find_first_not_of(' '));
                source = system + name;
            } else {
                source = line;
            }
            const bool ocx = line.find(".OCX") != std::string::npos;
            FileEntry e;
            e.source = source;
            e.target = "%SystemDirectory%";
            e.comment = ocx ? "Copying: Application .OCX Control File" : "Copying: Application .VBX Control File";
            e.extension = ocx ? "OC_" : "VB_";
            e.checkInUse = 1;
            e.overwrite = 2;
            e.usage = 1;
            e.compress = 1;
            e.shared = 1;
            e.options = 1;
            e.action = object ? 2 : 0;
            if (append(p, std::move(e), duplicate, out) == Added::Stop)
                return out;
            continue;
        }
        auto after = [&](std::string_view key) { return withoutQuotes(line.substr(line.find(key) + key.size())); };
        if (line.find("EXENAME=") != std::string::npos)
            exe16 = after("EXENAME=");
        else if (line.find("EXENAME32=") != std::string::npos)
            exe32 = after("EXENAME32=");
        else if (line.find("PATH=") != std::string::npos)
            path16 = AddBackslash(after("PATH="));
        else if (line.find("PATH32=") != std::string::npos)
            path32 = AddBackslash(after("PATH32="));
        else if (line.find("TITLE=") != std::string::npos && own.size() > 6) {
            std::string t = withoutQuotes(trimBlanks(own.substr(6)));
            if (!t.empty())
                title = t;
        }
    }
    const std::pair<const std::string*, const std::string*> executables[] = {{&path16, &exe16}, {&path32, &exe32}};
    for (const auto& [folder, name] : executables) {
        if (name->empty())
            continue;
        FileEntry e;
        e.source = *folder + *name;
        e.target = "%InstallPath%";
        e.comment = "Copying: Application Executeable";
        e.usage = 1;
        e.makeIcon = 1;
        // The icon caption holds 40 characters; a longer title is cut.
        e.iconText = title.substr(0, Width::IconText);
        e.options = 1;
        if (append(p, std::move(e), duplicate, out) == Added::Stop)
            return out;
    }
    dependencyCheck(p);
    return out;
}

std::vector<std::string> componentNames(Machine& machine, std::string_view listPath) {
    std::vector<std::string> names;
    auto bytes = listPath.empty() ? Result<std::string>(Error::make(WinError::FileNotFound))
                                  : machine.readFile(listPath);
    if (!bytes)
        return names;
    for (const std::string& raw : linesOf(*bytes)) {
        std::string_view line = trimBlanks(raw);
        if (!line.starts_with("["))
            continue;
        line.remove_prefix(1);
        names.emplace_back(line.substr(0, line.find(']')));
    }
    return names;
}

ImportOutcome importComponents(Machine& machine, ProjectData& p, std::string_view listPath,
                               std::vector<bool> selected) {
    ImportOutcome out;
    const auto names = componentNames(machine, listPath);
    selected.resize(names.size(), false);
    auto bytes = machine.readFile(listPath);
    const IniDocument list = IniDocument::parse(bytes ? *bytes : std::string());

    // The 16-bit system directory is SYSTEM beside SYSTEM32 when it holds anything.
    const std::string windows = AddBackslash(machine.windowsDirectory());
    const std::string system = AddBackslash(upperAnsi(machine.systemDirectory()));
    std::string system16 = system;
    ReplaceAll(system16, "\\SYSTEM32\\", "\\SYSTEM\\");
    if (system16 != system) {
        auto found = machine.findFiles(system16 + "*.*");
        bool any = false;
        if (found)
            for (const auto& f : *found)
                any |= f.name != "." && f.name != "..";
        if (!any)
            system16 = system;
    }
    const std::string dao = AddBackslash(DaoDirectory(machine));

    auto value = [&](const std::string& section, const std::string& key) {
        return list.get(section, key).value_or(std::string());
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!selected[i])
            continue;
        for (int n = 1;; ++n) {
            const std::string uses = value(names[i], "Uses" + std::to_string(n));
            if (uses.empty())
                break;
            for (std::size_t j = 0; j < names.size(); ++j)
                if (startsWithNoCase(names[j], uses)) {
                    selected[j] = true;
                    break;
                }
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!selected[i])
            continue;
        for (int n = 1;; ++n) {
            const std::string key = "File" + std::to_string(n);
            const std::string v = value(names[i], key);
            if (v.empty())
                break;
            auto refuse = [&](const std::string& why) {
                out.completed = false;
                out.refusal = Refusal{0, "Error: Component '" + names[i] + "', " + key + ": " + why, key};
                return out;
            };
            std::vector<std::string> fields;
            for (std::size_t start = 0;;) {
                auto comma = v.find(',', start);
                fields.emplace_back(trimBlanks(std::string_view(v).substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
            if (fields.size() < 9)
                return refuse("the value has " + std::to_string(fields.size()) + " fields, not nine");
            std::string source = fields[0];
            ReplaceAll(source, "%WINDOWSDIRECTORY%", windows);
            ReplaceAll(source, "%SYSTEMDIRECTORY%", system16);
            ReplaceAll(source, "%SYSTEM32DIRECTORY%", system);
            ReplaceAll(source, "%DAOPATH%", dao);
            if (findFile(p, source))
                continue;
            auto num = [](const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 10)); };
            FileEntry e;
            e.source = source;
            e.target = fields[1];
            e.comment = fields[2];
            e.shared = num(fields[3]);
            e.checkInUse = num(fields[4]);
            e.overwrite = num(fields[5]);
            e.action = num(fields[6]);
            e.compress = num(fields[7]);
            e.extension = fields[8];
            e.usage = 1;
            e.options = 1;
            if (e.action < 0 || e.action > 7)
                return refuse("the file action " + fields[6] + " is not one of 0 to 7");
            if (e.overwrite < 0 || e.overwrite > 4)
                return refuse("the overwrite value " + fields[5] + " is not one of 0 to 4");
            if (append(p, std::move(e), {}, out) == Added::Stop) {
                if (out.refusal && out.refusal->number == 0)
                    out.refusal->message = "Error: Component '" + names[i] + "', " + key + ": " + out.refusal->message;
                return out;
            }
        }
    }
    return out;
}

} // namespace zrv::authoring
