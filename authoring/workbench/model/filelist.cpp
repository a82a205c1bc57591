#include "authoring/workbench/model/filelist.h"

#include "authoring/project/texts.h"
#include "authoring/workbench/model/settings.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <algorithm>
#include <cstring>

namespace zrv::workbench {

using authoring::Check;
using authoring::FileEntry;

const std::vector<FileProperty>& fileProperties() {
    static const std::vector<FileProperty> k = {
        {"Target Location", "target"},        {"Copy Comment", "comment"},
        {"File Usage", "usage"},              {"Check if in Use", "checkinuse"},
        {"Overwrite Confirmation", "overwrite"}, {"Overwriting Message", "overtext"},
        {"Compress", "compress"},             {"Compress Extension", "ext"},
        {"Optional Inclusion", "optional"},   {"Register as Shared", "shared"},
        {"Make Icon", "makeicon"},            {"Icon Text", "icontext"},
        {"Icon Parameters", "params"},        {"Icon File", "iconfile"},
        {"Icon Index", "iconindex"},          {"Working Directory", "workdir"},
        {"Unprotect Before Copy", "unprotect"}, {"Protect After Copy", "protect"},
        {"Cue Card", "cuecard"},              {"Optional Installs", "options"},
        {"File Action", "action"},            {"Action Parameters", "actionparams"},
    };
    return k;
}

std::string propertyValue(const FileEntry& e, std::string_view field) {
    static const std::vector<std::pair<const char*, std::string FileEntry::*>> kTexts = {
        {"target", &FileEntry::target},         {"comment", &FileEntry::comment},   {"cuecard", &FileEntry::cueCard},
        {"icontext", &FileEntry::iconText},     {"params", &FileEntry::iconParams}, {"actionparams", &FileEntry::actionParams},
        {"iconfile", &FileEntry::iconFile},     {"workdir", &FileEntry::workDir},   {"overtext", &FileEntry::overText},
        {"ext", &FileEntry::extension},
    };
    static const std::vector<std::pair<const char*, int FileEntry::*>> kNumbers = {
        {"unprotect", &FileEntry::unprotect}, {"protect", &FileEntry::protect},     {"makeicon", &FileEntry::makeIcon},
        {"checkinuse", &FileEntry::checkInUse}, {"overwrite", &FileEntry::overwrite}, {"usage", &FileEntry::usage},
        {"compress", &FileEntry::compress},   {"optional", &FileEntry::optional},   {"included", &FileEntry::included},
        {"shared", &FileEntry::shared},       {"action", &FileEntry::action},       {"iconindex", &FileEntry::iconIndex},
    };
    for (const auto& [name, member] : kTexts)
        if (field == name)
            return e.*member;
    for (const auto& [name, member] : kNumbers)
        if (field == name)
            return std::to_string(e.*member);
    if (field == "options")
        return std::to_string(e.options);
    return {};
}

std::vector<std::string> propertyChoices(std::string_view field) {
    if (field == "overwrite")
        return {"No overwrite confirmation", "Confirm overwrite if file exists", "Confirm overwriting newer file only",
                "Overwrite older only", "Copy only if not present"};
    if (field == "action")
        return {"None", "/REGSERVER OLE Registration", "DllSelfRegister OLE Registration", "Register .REG File",
                "Register .REG File (Silent /s)", "Run", "Run (Silent SW_HIDE)", "Run with ZRVCMD.PIF"};
    if (field == "usage")
        return {"Do not copy file", "Display in gauge"};
    for (const char* yesNo : {"unprotect", "protect", "makeicon", "checkinuse", "compress", "optional", "included",
                              "shared"})
        if (field == yesNo)
            return {"No", "Yes"};
    return {};
}

std::vector<std::string> offeredTexts(std::string_view field) {
    if (field == "ext")
        return {"EX_", "DL_", "IN_", "TX_", "HL_", "SY_", "VB_"};
    if (field == "target")
        return {"%DAOPath%", "%WindowsDirectory%", "%SystemDirectory%", "%System32Directory%"};
    return {};
}

// ---------------------------------------------------------------------------
// The clipboard's records: the entry's fields in order, texts in fixed
// widths with room for their terminating NUL, numbers as 32-bit little-endian.

namespace {

struct Layout {
    std::string FileEntry::*text = nullptr;
    int FileEntry::*number = nullptr;
    std::uint32_t FileEntry::*unsignedNumber = nullptr;
    std::size_t size = 4;
};

const std::vector<Layout>& layout() {
    using W = std::size_t;
    static const std::vector<Layout> k = {
        {&FileEntry::source, nullptr, nullptr, W(authoring::Width::Path) + 1},
        {&FileEntry::target, nullptr, nullptr, W(authoring::Width::Path) + 1},
        {&FileEntry::comment, nullptr, nullptr, W(authoring::Width::CopyComment) + 1},
        {&FileEntry::cueCard, nullptr, nullptr, W(authoring::Width::CueCard) + 1},
        {nullptr, &FileEntry::unprotect},
        {nullptr, &FileEntry::protect},
        {nullptr, &FileEntry::makeIcon},
        {&FileEntry::iconText, nullptr, nullptr, W(authoring::Width::IconText) + 1},
        {&FileEntry::iconParams, nullptr, nullptr, W(authoring::Width::Params) + 1},
        {&FileEntry::iconFile, nullptr, nullptr, W(authoring::Width::Path) + 1},
        {&FileEntry::workDir, nullptr, nullptr, W(authoring::Width::Path) + 1},
        {&FileEntry::overText, nullptr, nullptr, W(authoring::Width::OverText) + 1},
        {&FileEntry::extension, nullptr, nullptr, W(authoring::Width::Extension) + 1},
        {nullptr, &FileEntry::iconIndex},
        {nullptr, &FileEntry::action},
        {&FileEntry::actionParams, nullptr, nullptr, W(authoring::Width::ActionParams) + 1},
        {nullptr, &FileEntry::checkInUse},
        {nullptr, &FileEntry::overwrite},
        {nullptr, &FileEntry::usage},
        {nullptr, &FileEntry::compress},
        {nullptr, &FileEntry::optional},
        {nullptr, &FileEntry::included},
        {nullptr, &FileEntry::shared},
        {nullptr, &FileEntry::firstDisk},
        {nullptr, &FileEntry::lastDisk},
        {nullptr, nullptr, &FileEntry::options},
    };
    return k;
}

} // namespace

std::string FileClipboard::encode(const FileEntry& e) {
    std::string out;
    out.reserve(kRecordSize);
    for (const Layout& l : layout()) {
        if (l.text) {
            std::string t = (e.*l.text).substr(0, l.size - 1);
            t.resize(l.size, '\0');
            out += t;
            continue;
        }
        const std::uint32_t v = l.number ? static_cast<std::uint32_t>(e.*l.number) : e.*l.unsignedNumber;
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return out;
}

FileEntry FileClipboard::decode(std::string_view record) {
    FileEntry e;
    std::size_t at = 0;
    for (const Layout& l : layout()) {
        if (at + l.size > record.size())
            break;
        const std::string_view field = record.substr(at, l.size);
        at += l.size;
        if (l.text) {
            e.*l.text = std::string(field.substr(0, std::min(field.find('\0'), field.size() - 1)));
            continue;
        }
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(field[static_cast<std::size_t>(i)]);
        if (l.number)
            e.*l.number = static_cast<std::int32_t>(v);
        else
            e.*l.unsignedNumber = v;
    }
    return e;
}

FileClipboard::FileClipboard(Machine& machine) : m_machine(machine) {
    const std::string name = UniqueTempName(machine, temporaryFolder(machine));
    if (!name.empty() && machine.writeFileAtomic(name, ""))
        m_path = name;
}

FileClipboard::~FileClipboard() {
    if (usable())
        (void)m_machine.deleteFile(m_path);
}

void FileClipboard::clear() {
    if (usable() && !m_machine.writeFileAtomic(m_path, ""))
        m_path.clear(); // it cannot be written: it holds nothing from now on
}

void FileClipboard::append(const std::vector<FileEntry>& entries) {
    if (!usable())
        return;
    auto text = m_machine.readFile(m_path);
    std::string all = text ? *text : std::string();
    all.resize(all.size() / kRecordSize * kRecordSize); // a torn record is no entry
    for (const FileEntry& e : entries)
        all += encode(e);
    if (!m_machine.writeFileAtomic(m_path, all))
        m_path.clear();
}

std::vector<FileEntry> FileClipboard::entries() const {
    std::vector<FileEntry> out;
    if (!usable())
        return out;
    auto text = m_machine.readFile(m_path);
    if (!text)
        return out; // deleted behind our back: empty
    for (std::size_t at = 0; at + kRecordSize <= text->size(); at += kRecordSize) {
        FileEntry e = decode(std::string_view(*text).substr(at, kRecordSize));
        if (!e.source.empty())
            out.push_back(std::move(e));
    }
    return out;
}

// ---------------------------------------------------------------------------

FileListEditor::FileListEditor(authoring::Project& project, FileClipboard& clipboard)
    : m_project(project), m_clipboard(clipboard), m_selected(files().size(), false) {}

void FileListEditor::setCaret(int line) { m_caret = std::clamp(line, 0, std::max(0, count() - 1)); }

bool FileListEditor::selected(int line) const {
    return line >= 0 && static_cast<std::size_t>(line) < m_selected.size() && m_selected[static_cast<std::size_t>(line)];
}

void FileListEditor::select(int line, bool on) {
    m_selected.resize(files().size(), false);
    if (line >= 0 && line < count())
        m_selected[static_cast<std::size_t>(line)] = on;
}

void FileListEditor::selectAll(bool on) { m_selected.assign(files().size(), on); }

std::vector<int> FileListEditor::selection() const {
    std::vector<int> out;
    for (int i = 0; i < count(); ++i)
        if (selected(i))
            out.push_back(i);
    return out;
}

void FileListEditor::changed() {
    m_selected.resize(files().size(), false);
    setCaret(m_caret);
    m_project.markChanged();
}

void FileListEditor::edit(const std::vector<std::string>& names) {
    m_project.status(11008);
    const authoring::ProjectData& p = m_project.data();
    std::vector<FileEntry> rebuilt;
    rebuilt.reserve(names.size());
    for (const std::string& name : names) {
        FileEntry fresh = authoring::newFileEntry(name, p.language);
        if (auto old = authoring::findFile(p, fresh.source))
            rebuilt.push_back(p.files[static_cast<std::size_t>(*old)]);
        else
            rebuilt.push_back(std::move(fresh));
    }
    files() = std::move(rebuilt);
    m_selected.assign(files().size(), false);
    changed();
    m_project.status(11009);
}

Check FileListEditor::apply(std::string_view property, std::string_view value) {
    std::string field(property);
    for (const FileProperty& f : fileProperties())
        if (equalNoCase(f.shown, property))
            field = f.field;
    // On a copy, so a refusal half way changes nothing.
    authoring::ProjectData copy = m_project.data();
    for (int i : selection())
        if (auto r = authoring::setFileProperty(copy, i, field, value))
            return r;
    if (copy == m_project.data())
        return std::nullopt;
    m_project.data() = std::move(copy);
    changed();
    return std::nullopt;
}

void FileListEditor::compact() {
    std::vector<FileEntry> kept;
    for (int i = 0; i < count(); ++i)
        if (!selected(i))
            kept.push_back(std::move(files()[static_cast<std::size_t>(i)]));
    files() = std::move(kept);
    m_selected.assign(files().size(), false);
}

void FileListEditor::deleteSelected() {
    if (selection().empty())
        return;
    m_project.status(11013);
    compact();
    changed();
}

void FileListEditor::moveUp() {
    if (m_caret <= 0 || m_caret >= count())
        return;
    std::swap(files()[static_cast<std::size_t>(m_caret)], files()[static_cast<std::size_t>(m_caret - 1)]);
    --m_caret;
    selectAll(false);
    select(m_caret, true);
    changed();
}

void FileListEditor::moveDown() {
    if (m_caret < 0 || m_caret + 1 >= count())
        return;
    std::swap(files()[static_cast<std::size_t>(m_caret)], files()[static_cast<std::size_t>(m_caret + 1)]);
    ++m_caret;
    selectAll(false);
    select(m_caret, true);
    changed();
}

void FileListEditor::copy() {
    m_clipboard.clear();
    std::vector<FileEntry> picked;
    for (int i : selection())
        picked.push_back(files()[static_cast<std::size_t>(i)]);
    m_clipboard.append(picked);
}

void FileListEditor::cut() {
    if (selection().empty())
        return;
    copy();
    m_project.status(11013);
    compact();
    changed();
}

Check FileListEditor::paste(const std::function<bool(const std::string& warning)>& warn) {
    m_project.status(11013);
    std::vector<FileEntry> fresh;
    std::size_t repeated = 0;
    const std::vector<FileEntry> held = m_clipboard.entries();
    for (const FileEntry& e : held) {
        if (authoring::findFile(m_project.data(), e.source)) {
            ++repeated;
            std::string text(authoring::kDuplicateFileWarning);
            ReplaceAll(text, "%s", e.source);
            if (warn && !warn(text))
                return std::nullopt; // Cancel: nothing inserted
            continue;
        }
        fresh.push_back(e);
    }
    if (files().size() + held.size() - repeated > static_cast<std::size_t>(authoring::kMaxFiles))
        return authoring::refusal(10004);
    if (fresh.empty())
        return std::nullopt;
    const std::size_t at = files().empty() ? 0 : static_cast<std::size_t>(m_caret) + 1;
    files().insert(files().begin() + static_cast<std::ptrdiff_t>(at), fresh.begin(), fresh.end());
    m_selected.insert(m_selected.begin() + static_cast<std::ptrdiff_t>(std::min(at, m_selected.size())), fresh.size(),
                      false);
    changed();
    return std::nullopt;
}

} // namespace zrv::workbench
