#include "authoring/project/project.h"

#include "platform/base/ansi.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zrv::authoring {

const std::array<const char*, kRuntimeCount> kRuntimeFiles = {
    "SETUP.EXE", "INSTALL.EXE", "LZEXPAND.DLL", "CTL3DV2.DLL", "ZRVX16.EX_", "ZRVX32.EX_",
    "CTL3D32.DLL", "REGSVR.EXE", "REGSVR32.EXE", "ZRVCMD.PIF", "LZ32.DLL",
};

const std::array<const char*, 8> kFileActionNames = {
    "None", "/REGSERVER OLE Registration", "DllSelfRegister OLE Registration", "Register .REG File",
    "Register .REG File (Silent /s)", "Run", "Run (Silent SW_HIDE)", "Run with ZRVCMD.PIF",
};

const std::array<const char*, 5> kOverwriteNames = {
    "No overwrite confirmation", "Confirm overwrite if file exists", "Confirm overwriting newer file only",
    "Overwrite older only", "Copy only if not present",
};

const std::array<const char*, 23> kFileProperties = {
    "target", "comment", "cuecard", "icontext", "params", "actionparams", "iconindex", "iconfile",
    "workdir", "overtext", "unprotect", "protect", "makeicon", "checkinuse", "overwrite", "usage",
    "compress", "optional", "included", "shared", "options", "action", "ext",
};

std::string derivedExtension(std::string_view source) {
    std::string_view name = source;
    if (auto slash = name.find_last_of("\\/:"); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    auto dot = name.rfind('.');
    // The stored extension is one word: blanks of the name are left out.
    std::string ext;
    if (dot != std::string_view::npos)
        for (char c : name.substr(dot + 1))
            if (ext.size() < 3 && !std::isspace(static_cast<unsigned char>(c)))
                ext += c;
    if (ext.empty())
        return "_";
    ext.back() = '_';
    return ext;
}

ProjectData newProjectData(int language, std::string_view defaultBackdrop) {
    ProjectData p;
    p.language = language;
    for (int i = 0; i < kDialogTextCount; ++i)
        p.texts[i] = defaultDialogText(language, static_cast<DialogText>(i));
    p.options = {defaultOptionText(language)};
    p.objects = {lowerAnsi(defaultBackdrop)};
    return p;
}

Refusal refusal(int number, std::string key) {
    return Refusal{number, std::string(plain(messageText(number))), std::move(key)};
}

namespace {

Refusal own(std::string message, std::string_view key) { return Refusal{0, std::move(message), std::string(key)}; }

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

Check checkChoice(std::string_view key, int value, int hi, std::string_view what) {
    if (inRange(value, 0, hi))
        return std::nullopt;
    return own("Error: " + std::string(what) + " " + std::to_string(value) + " is not one of 0 to " +
                   std::to_string(hi),
               key);
}

} // namespace

Check checkText(std::string_view key, std::string_view value, int width, bool multiLine) {
    if (value.size() > static_cast<std::size_t>(width))
        return own("Error: The value is longer than its field (at most " + std::to_string(width) + " characters)",
                   key);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (multiLine && c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n')
            return own("Error: The value holds a line break, which this field cannot hold", key);
        if (c < 0x20 && c != '\t')
            return own("Error: The value holds a control character", key);
    }
    return std::nullopt;
}

Check checkFileEntry(const FileEntry& e, std::string_view key) {
    const std::pair<const std::string*, int> texts[] = {
        {&e.source, Width::Path},         {&e.target, Width::Path},         {&e.comment, Width::CopyComment},
        {&e.cueCard, Width::CueCard},     {&e.iconText, Width::IconText},   {&e.iconParams, Width::Params},
        {&e.iconFile, Width::Path},       {&e.workDir, Width::Path},        {&e.overText, Width::OverText},
        {&e.extension, Width::Extension}, {&e.actionParams, Width::ActionParams},
    };
    for (const auto& [text, width] : texts)
        if (auto r = checkText(key, *text, width))
            return r;
    for (char c : e.extension)
        if (std::isspace(static_cast<unsigned char>(c)))
            return own("Error: The compressed extension holds a blank", key);
    if (auto r = checkChoice(key, e.action, 7, "The file action"))
        return r;
    return checkChoice(key, e.overwrite, 4, "The overwrite confirmation");
}

Check checkProject(const ProjectData& p) {
    const std::pair<std::pair<const char*, const std::string*>, int> texts[] = {
        {{"PROJDIR", &p.storedDirectory}, Width::Path}, {{"APPNAME", &p.appName}, Width::AppName},
        {{"DEFPATH", &p.defaultPath}, Width::Path},     {{"LICENSEINI", &p.iniFile}, Width::Path},
        {{"DISKLABEL", &p.diskLabel}, Width::DiskLabel}, {{"SETUPFILE", &p.scriptName}, Width::ScriptName},
        {{"COMPANY", &p.company}, Width::Company},      {{"GRPCAPFILE", &p.groupCaption}, Width::Path},
    };
    for (const auto& [kv, width] : texts)
        if (auto r = checkText(kv.first, *kv.second, width))
            return r;
    if (auto r = checkText("COMMENTS", p.comments, Width::Comments, true))
        return r;
    if (auto r = checkChoice("LANGUAGE", p.language, kLanguages - 1, "The language"))
        return r;
    for (int i = 0; i < kDialogTextCount; ++i)
        if (auto r = checkText(kDialogTexts[i].key, p.texts[i], kDialogTexts[i].maxLength))
            return r;
    for (int i = 0; i < kUserCodeSlots; ++i)
        if (auto r = checkText("USERCODE" + std::to_string(i + 1), p.userCode[i], kMaxUserCode, true))
            return r;
    for (int i = 0; i < kBackdropChoices; ++i)
        if (auto r = checkText("BACKDROPRES" + std::to_string(i + 1), p.backdrops[i], Width::Backdrop))
            return r;
    auto list = [](const std::vector<std::string>& items, std::string_view key, std::size_t max) -> Check {
        if (items.size() > max)
            return own("Error: More than " + std::to_string(max) + " entries", key);
        for (const auto& item : items)
            if (auto r = checkText(key, item, Width::Path))
                return r;
        return std::nullopt;
    };
    if (auto r = list(p.options, "OPTINSTALL", kMaxOptions))
        return r;
    if (auto r = list(p.directories, "DIRECTORY", kMaxDirectories))
        return r;
    if (auto r = list(p.objects, "OBJECT", kMaxObjects))
        return r;
    for (const auto& b : p.bitmaps)
        if (auto r = checkText("BITMAP", b.path, Width::Path))
            return r;
    if (p.files.size() > static_cast<std::size_t>(kMaxFiles))
        return refusal(10004, "FILE");
    for (const auto& e : p.files)
        if (auto r = checkFileEntry(e))
            return r;
    return std::nullopt;
}

bool dependencyCheck(ProjectData& p) {
    const auto before = p.runtime;
    bool changed = false;
    if (!p.runtimeFile(Runtime::SetupExe) && !p.runtimeFile(Runtime::InstallExe))
        p.runtimeFile(Runtime::SetupExe) = 1;
    if (!p.runtimeFile(Runtime::Interpreter16) && !p.runtimeFile(Runtime::Interpreter32))
        p.runtimeFile(Runtime::Interpreter32) = 1;
    for (auto& e : p.files) {
        if ((e.action == 1 || e.action == 2) && !e.shared) {
            e.shared = 1;
            changed = true;
        }
        if (e.action == 2) {
            if (p.runtimeFile(Runtime::Interpreter16))
                p.runtimeFile(Runtime::RegSvr) = 1;
            if (p.runtimeFile(Runtime::Interpreter32))
                p.runtimeFile(Runtime::RegSvr32) = 1;
        }
        if (e.action == 7)
            p.runtimeFile(Runtime::ZrvCmdPif) = 1;
    }
    return changed || before != p.runtime;
}

std::vector<std::uint64_t> requiredSpace(const ProjectData& p,
                                         const std::function<std::uint64_t(const std::string&)>& sizeOf) {
    std::vector<std::uint64_t> sizes;
    sizes.reserve(p.files.size());
    for (const auto& e : p.files)
        sizes.push_back(sizeOf(e.source));
    std::vector<std::uint64_t> out;
    for (std::size_t k = 0; k < p.options.size() && k < 32; ++k) {
        std::uint64_t sum = 0, largest = 0;
        for (std::size_t i = 0; i < p.files.size(); ++i) {
            if (!(p.files[i].options >> k & 1))
                continue;
            sum += sizes[i];
            if (p.files[i].compress)
                largest = std::max(largest, sizes[i]);
        }
        out.push_back(((sum + largest + p.extraSpace) / 1024 + 1) * 1024);
    }
    return out;
}

namespace {

// The named lists (installations, directories): exact names, each once, a limit.
Check addNamed(std::vector<std::string>& list, std::string_view key, std::string_view name, int duplicate, int full,
               int max) {
    if (auto r = checkText(key, name, Width::Path))
        return r;
    if (std::find(list.begin(), list.end(), name) != list.end())
        return refusal(duplicate);
    if (list.size() >= static_cast<std::size_t>(max))
        return refusal(full);
    list.emplace_back(name);
    return std::nullopt;
}

// Entry `index` (checked by the caller) renamed, unless another has the name.
Check renameNamed(std::vector<std::string>& list, std::string_view key, int index, std::string_view name,
                  int duplicate) {
    if (auto r = checkText(key, name, Width::Path))
        return r;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (static_cast<int>(i) != index && list[i] == name)
            return refusal(duplicate);
    list[index] = name;
    return std::nullopt;
}

} // namespace

Check addOption(ProjectData& p, std::string_view name) {
    return addNamed(p.options, "OPTINSTALL", name, 10012, 10029, kMaxOptions);
}

Check modifyOption(ProjectData& p, int index, std::string_view name) {
    if (index < 0 || static_cast<std::size_t>(index) >= p.options.size())
        return refusal(10013);
    return renameNamed(p.options, "OPTINSTALL", index, name, 10012);
}

Check deleteOption(ProjectData& p, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= p.options.size())
        return refusal(10013);
    // A project without an installation would read back with the default one.
    if (p.options.size() == 1)
        return own("Error: The project needs at least one installation", "OPTINSTALL");
    p.options.erase(p.options.begin() + index);
    const std::uint32_t below = index >= 32 ? ~0u : (1u << index) - 1;
    for (auto& e : p.files) {
        const std::uint32_t above = index >= 31 ? 0 : (e.options >> (index + 1)) << index;
        e.options = (e.options & below) | above;
    }
    return std::nullopt;
}

Check addBitmap(ProjectData& p, std::string_view path) {
    if (auto r = checkText("BITMAP", path, Width::Path))
        return r;
    for (const auto& b : p.bitmaps)
        if (equalNoCase(b.path, path))
            return own("The bitmap " + std::string(path) + " is in the project already", "BITMAP");
    p.bitmaps.push_back({0, std::string(path)});
    return std::nullopt;
}

Check addDirectory(ProjectData& p, std::string_view name) {
    return addNamed(p.directories, "DIRECTORY", name, 10030, 10036, kMaxDirectories);
}

Check modifyDirectory(ProjectData& p, int index, std::string_view name) {
    if (index < 0 || static_cast<std::size_t>(index) >= p.directories.size())
        return refusal(10031);
    if (index == 0)
        return refusal(10032);
    return renameNamed(p.directories, "DIRECTORY", index, name, 10030);
}

Check deleteDirectory(ProjectData& p, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= p.directories.size())
        return refusal(10031);
    if (index == 0)
        return refusal(10033);
    p.directories.erase(p.directories.begin() + index);
    return std::nullopt;
}

Check moveDirectory(ProjectData& p, int index, bool up) {
    const int n = static_cast<int>(p.directories.size());
    if (index < 0 || index >= n)
        return refusal(10031);
    if (index == 0 || (index == 1 && up))
        return refusal(10034);
    const int other = up ? index - 1 : index + 1;
    if (other < n)
        std::swap(p.directories[index], p.directories[other]);
    return std::nullopt;
}

FileEntry newFileEntry(std::string source, int language) {
    FileEntry e;
    if (source.find('.') == std::string::npos)
        source += '.';
    e.extension = derivedExtension(source);
    e.source = std::move(source);
    e.target = "%InstallPath%";
    e.comment = copyingText(language);
    e.overText = overwritePromptText(language);
    e.usage = 1;
    e.options = 1;
    return e;
}

std::optional<int> findFile(const ProjectData& p, std::string_view source) {
    for (std::size_t i = 0; i < p.files.size(); ++i)
        if (equalNoCase(p.files[i].source, source))
            return static_cast<int>(i);
    return std::nullopt;
}

namespace {

std::optional<long long> decimal(std::string_view text) {
    std::string s(text);
    if (s.empty() || std::isspace(static_cast<unsigned char>(s[0])))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (*end || errno)
        return std::nullopt;
    return v;
}

} // namespace

Check setFileProperty(ProjectData& p, int index, std::string_view property, std::string_view value) {
    FileEntry e = p.files.at(index);
    const std::string prop = lowerAnsi(property);
    const std::string key = std::string(property);
    struct TextField {
        const char* name;
        std::string FileEntry::*field;
        int width;
    };
    static const TextField kTexts[] = {
        {"target", &FileEntry::target, Width::Path},        {"comment", &FileEntry::comment, Width::CopyComment},
        {"cuecard", &FileEntry::cueCard, Width::CueCard},   {"icontext", &FileEntry::iconText, Width::IconText},
        {"params", &FileEntry::iconParams, Width::Params},  {"actionparams", &FileEntry::actionParams, Width::ActionParams},
        {"iconfile", &FileEntry::iconFile, Width::Path},    {"workdir", &FileEntry::workDir, Width::Path},
        {"overtext", &FileEntry::overText, Width::OverText}, {"ext", &FileEntry::extension, Width::Extension},
    };
    for (const auto& t : kTexts) {
        if (prop != t.name)
            continue;
        if (auto r = checkText(key, value, t.width))
            return r;
        e.*t.field = std::string(value);
        if (auto r = checkFileEntry(e, key))
            return r;
        p.files[index] = std::move(e);
        return std::nullopt;
    }
    struct NumberField {
        const char* name;
        int FileEntry::*field;
        long long lo, hi;
    };
    static const NumberField kNumbers[] = {
        {"unprotect", &FileEntry::unprotect, 0, 1}, {"protect", &FileEntry::protect, 0, 1},
        {"makeicon", &FileEntry::makeIcon, 0, 1},   {"checkinuse", &FileEntry::checkInUse, 0, 1},
        {"overwrite", &FileEntry::overwrite, 0, 4}, {"usage", &FileEntry::usage, 0, 1},
        {"compress", &FileEntry::compress, 0, 1},   {"optional", &FileEntry::optional, 0, 1},
        {"included", &FileEntry::included, 0, 1},   {"shared", &FileEntry::shared, 0, 1},
        {"action", &FileEntry::action, 0, 7},       {"iconindex", &FileEntry::iconIndex, INT_MIN, INT_MAX},
    };
    auto number = decimal(value);
    if (prop == "options") {
        if (!number || *number < 0 || *number > UINT32_MAX)
            return own("Error: The value is not a whole number from 0 to 4294967295", key);
        e.options = static_cast<std::uint32_t>(*number);
        p.files[index] = std::move(e);
        return std::nullopt;
    }
    for (const auto& n : kNumbers) {
        if (prop != n.name)
            continue;
        if (!number || *number < n.lo || *number > n.hi)
            return own("Error: The value is not a whole number from " + std::to_string(n.lo) + " to " +
                           std::to_string(n.hi),
                       key);
        e.*n.field = static_cast<int>(*number);
        if (prop == "action") {
            if (e.action == 1 || e.action == 2)
                e.shared = 1;
            if (e.action == 2) {
                if (p.runtimeFile(Runtime::Interpreter16))
                    p.runtimeFile(Runtime::RegSvr) = 1;
                if (p.runtimeFile(Runtime::Interpreter32))
                    p.runtimeFile(Runtime::RegSvr32) = 1;
            }
            if (e.action == 7)
                p.runtimeFile(Runtime::ZrvCmdPif) = 1;
        }
        if (prop == "shared" && (e.action == 1 || e.action == 2))
            e.shared = 1;
        // Reading a project forces usage for these; the document agrees at once.
        if (e.checkInUse || e.overwrite)
            e.usage = 1;
        p.files[index] = std::move(e);
        return std::nullopt;
    }
    return own("Error: Unknown file property '" + key + "'", key);
}

void deleteObject(ProjectData& p, int index, std::string_view objectName) {
    p.objects.erase(p.objects.begin() + index);
    for (auto& e : p.files)
        if (e.cueCard == objectName)
            e.cueCard.clear();
}

} // namespace zrv::authoring
