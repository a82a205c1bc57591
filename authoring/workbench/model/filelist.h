// Editing the project's file list as the workbench's file window does: the
// list rebuilt from an ordered list of names, a property applied to every
// selected file, delete, move, and cut, copy and paste through the file
// clipboard. Each change marks the project changed.
#pragma once

#include "authoring/project/document.h"
#include "authoring/project/project.h"

#include <functional>
#include <string>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::workbench {

// The display names of the file properties and the field each sets.
struct FileProperty {
    const char* shown; // "Target Location"
    const char* field; // as setFileProperty and the command line name it
};
const std::vector<FileProperty>& fileProperties();
// The value a file has for a property (by field name), as text the property
// window shows and `apply` takes back.
std::string propertyValue(const authoring::FileEntry& e, std::string_view field);
// The choices of a numbered property, the stored number being the index
// ("No", "Yes" for the switches); empty for a property typed as text.
std::vector<std::string> propertyChoices(std::string_view field);
// The texts offered for a text property (any text is taken).
std::vector<std::string> offeredTexts(std::string_view field);

// The workbench's own clipboard of file entries: a scratch file of fixed
// 1534-byte records under a temporary name, made with the workbench and
// deleted with it. When it cannot be made, or is deleted behind its back, it
// holds nothing: copying stores nothing and pasting inserts nothing.
class FileClipboard {
public:
    static constexpr std::size_t kRecordSize = 1534;
    explicit FileClipboard(Machine& machine);
    ~FileClipboard();
    FileClipboard(const FileClipboard&) = delete;
    FileClipboard& operator=(const FileClipboard&) = delete;

    bool usable() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }
    void clear();
    void append(const std::vector<authoring::FileEntry>& entries);
    std::vector<authoring::FileEntry> entries() const;

    static std::string encode(const authoring::FileEntry& e);
    static authoring::FileEntry decode(std::string_view record);

private:
    Machine& m_machine;
    std::string m_path; // empty: unusable
};

class FileListEditor {
public:
    FileListEditor(authoring::Project& project, FileClipboard& clipboard);

    int count() const { return static_cast<int>(files().size()); }
    int caret() const { return m_caret; }
    void setCaret(int line);
    bool selected(int line) const;
    void select(int line, bool on);
    void selectAll(bool on);
    std::vector<int> selection() const;

    // Project / Edit's OK: the list in this order; an entry whose source is
    // given again (without regard to case) stays as it was.
    void edit(const std::vector<std::string>& names);
    // One property (by the name shown or the field name) to every selected
    // file, tie rules included; a refusal changes nothing.
    authoring::Check apply(std::string_view property, std::string_view value);
    // The selected files go (the caller has asked); the caret stays, moved up
    // to the last line when needed.
    void deleteSelected();
    void moveUp();
    void moveDown();
    void copy();
    void cut();
    // `warn` gets the warning for each clipboard file the project holds and
    // returns false for Cancel (nothing inserted then). 10004 past 2048 files.
    authoring::Check paste(const std::function<bool(const std::string& warning)>& warn);

private:
    std::vector<authoring::FileEntry>& files() { return m_project.data().files; }
    const std::vector<authoring::FileEntry>& files() const { return m_project.data().files; }
    void changed();
    void compact();

    authoring::Project& m_project;
    FileClipboard& m_clipboard;
    std::vector<bool> m_selected;
    int m_caret = 0;
};

} // namespace zrv::workbench
