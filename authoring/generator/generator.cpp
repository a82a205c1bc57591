#include "authoring/generator/generator.h"

#include "authoring/generator/sections.h"
#include "common/captions.h"
#include "platform/base/ansi.h"

#include <algorithm>

namespace zrv::generator {

const std::array<const char*, 7> kScriptLanguageNames = {"UkEnglish", "UsEnglish", "French", "German",
                                                        "Italian",   "Spanish",   "Dutch"};

std::string uncompressingText(int language) {
    static const std::array<const char*, 7> kTexts = {
        "Uncompressing...", "Uncompressing...", "D\xE9" "compression...", "Dekomprimieren...",
        "Decompressione...", "Descomprimiendo...", "Uitpakken...",
    };
    return kTexts[language >= 0 && language < 7 ? language : 0];
}

DiskLayout DiskLayout::oneDisk(const ProjectData& p) {
    DiskLayout l;
    l.files.assign(p.files.size(), Span{});
    l.bitmaps.assign(p.bitmaps.size(), 1);
    return l;
}

namespace {

using authoring::DialogText;
using authoring::FileEntry;
using authoring::kDialogTexts;

// A value written inside a script literal: a quote would end it early and a
// line break would split the line.
std::optional<std::string> literalFault(std::string_view value) {
    for (char c : value) {
        if (c == '"')
            return "holds a double quote, which would end the script's string early (write ^034 for a quote)";
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return "holds a line break or control character";
    }
    return std::nullopt;
}

std::optional<Problem> checkProject(const Input& in) {
    const ProjectData& p = *in.project;
    auto fault = [](std::string key, std::string reason) { return Problem{std::move(key), 0, std::move(reason)}; };
    if (p.language < 0 || p.language > 6)
        return fault("LANGUAGE", "the language " + std::to_string(p.language) + " is not one of 0 to 6");
    if (p.diskLabel.empty() || p.diskLabel.size() > 6)
        return fault("DISKLABEL", "the disk label prefix must have 1 to 6 characters");
    for (char c : p.diskLabel) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) || u >= 0x80 || std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos))
            return fault("DISKLABEL", std::string("the disk label prefix holds '") + c +
                                          "', which a DOS file name cannot hold");
    }
    if (p.scriptName.empty())
        return fault("SETUPFILE", "the script has no file name");
    if (in.layout.files.size() != p.files.size() || in.layout.bitmaps.size() != p.bitmaps.size() ||
        in.sizes.size() != p.files.size() || in.objects.size() != p.objects.size())
        return fault("", "the disk layout does not match the project");
    for (const auto& s : in.layout.files)
        if (s.first < 1 || s.last < s.first)
            return fault("", "the disk layout places a file on no disk");

    auto literal = [&](const std::string& key, std::string_view value) -> std::optional<Problem> {
        if (auto r = literalFault(value))
            return fault(key, *r);
        return std::nullopt;
    };
    const std::pair<const char*, const std::string*> scalars[] = {
        {"APPNAME", &p.appName},   {"COMPANY", &p.company},        {"DEFPATH", &p.defaultPath},
        {"LICENSEINI", &p.iniFile}, {"GRPCAPFILE", &p.groupCaption}, {"PROJECT", &p.title},
    };
    for (const auto& [key, value] : scalars)
        if (auto r = literal(key, *value))
            return r;
    // Comments become "// " lines; only their CR LF pairs may break them.
    for (std::size_t i = 0; i < p.comments.size(); ++i) {
        const auto c = static_cast<unsigned char>(p.comments[i]);
        if (c == '\r' && i + 1 < p.comments.size() && p.comments[i + 1] == '\n')
            ++i;
        else if (c < 0x20 && c != '\t')
            return fault("COMMENTS", "holds a line break or control character that is not CR LF");
    }
    for (int i = 0; i < authoring::kDialogTextCount; ++i) {
        if (i == static_cast<int>(DialogText::SetupMsg) || i == static_cast<int>(DialogText::ZrvUni2))
            continue; // not written
        if (auto r = literal(std::string(kDialogTexts[i].key), p.texts[i]))
            return r;
    }
    auto numbered = [](const char* key, std::size_t i) { return std::string(key) + std::to_string(i + 1); };
    for (std::size_t i = 0; i < p.options.size(); ++i)
        if (auto r = literal(numbered("OPTINSTALL", i), p.options[i]))
            return r;
    for (std::size_t i = 0; i < p.backdrops.size(); ++i)
        if (auto r = literal(numbered("BACKDROPRES", i), p.backdrops[i]))
            return r;
    for (std::size_t i = 0; i < p.directories.size(); ++i)
        if (auto r = literal(numbered("DIRECTORY", i), p.directories[i]))
            return r;
    for (std::size_t i = 0; i < p.bitmaps.size(); ++i)
        if (auto r = literal(numbered("BITMAP", i), p.bitmaps[i].path))
            return r;
    for (std::size_t i = 0; i < p.files.size(); ++i) {
        const FileEntry& e = p.files[i];
        if (!e.copied())
            continue;
        const std::pair<const char*, const std::string*> fields[] = {
            {"FILE", &e.source},           {"TARGET", &e.target},     {"COMMENT", &e.comment},
            {"CUECARD", &e.cueCard},       {"ICONTEXT", &e.iconText}, {"PARAMS", &e.iconParams},
            {"ACTIONPARAMS", &e.actionParams}, {"ICONINFO", &e.iconFile}, {"DEFPATH", &e.workDir},
            {"OVERTEXT", &e.overText},     {"FLAGS", &e.extension},
        };
        for (const auto& [key, value] : fields)
            if (auto r = literal(numbered(key, i), *value))
                return r;
    }
    return std::nullopt;
}

} // namespace

Generated generate(const Input& in) {
    Generated result;
    if (!in.project) {
        result.error = Problem{"", 0, "no project"};
        return result;
    }
    if (auto r = checkProject(in)) {
        result.error = r;
        return result;
    }
    Sections s(in);
    s.all();
    if (auto r = s.writer().problem()) {
        result.error = r;
        return result;
    }
    Output out;
    out.script = s.writer().takeScript();
    out.trace = s.writer().takeTrace();
    out.warnings = s.warnings();
    result.output = std::move(out);
    return result;
}

} // namespace zrv::generator
