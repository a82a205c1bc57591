// What the workbench remembers between sessions, on the authoring tool's
// settings store: where its five windows were, the view toggles, the project
// open last, and the list of recently used projects with its menu entries.
// No painting here: the Qt workbench shows and forwards, the rules live here.
#pragma once

#include "authoring/project/objectfile.h"
#include "authoring/project/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::workbench {

// The show commands the maximise keys hold.
inline constexpr int kShowMaximised = 3;
inline constexpr int kShowNormal = 5;

struct Rect {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool operator==(const Rect&) const = default;
};

// The main frame and its four child windows, whose keys are the prefix
// before Top, Left, Bottom, Right and Maximise.
enum class Pane { Frame, Files, Output, Objects, Properties };
std::string_view keyPrefix(Pane pane);

struct Placement {
    Rect rect;               // child windows: in the frame's client coordinates
    int show = kShowNormal;  // kShowMaximised or kShowNormal
    bool operator==(const Placement&) const = default;
};

enum class WindowState { Normal, Minimised, Maximised };

// A stored rectangle made fit to show: an empty or inverted one gives
// `fallback`; one that meets none of `areas` (the screens, or for a child
// window the frame's client area) is moved onto the first of them, and shrunk
// to it when larger. No areas: the rectangle as it is.
Rect onScreen(const Rect& rect, const Rect& fallback, const std::vector<Rect>& areas);

class WorkbenchSettings {
public:
    explicit WorkbenchSettings(authoring::SettingsStore& store) : m_store(store) {}

    // The stored placement; the frame's rectangle defaults to `frameDefault`,
    // the children's to zeros. A show value other than 3 reads as 5.
    Placement placement(Pane pane, const Rect& frameDefault = {});
    // After a move or a resize: the rectangle and show 5 are written only for
    // a window that is neither minimised nor maximised; a maximised child
    // window writes only its maximise key, 3; a maximised frame writes nothing.
    Result<void> record(Pane pane, const Rect& rect, WindowState state);

    bool fullDetails() { return m_store.getInt("Zorvane", "FullDetails", 0) != 0; }
    bool descriptions() { return m_store.getInt("Zorvane", "Descriptions", 1) != 0; }
    Result<void> setFullDetails(bool on) { return m_store.setInt("Zorvane", "FullDetails", on ? 1 : 0); }
    Result<void> setDescriptions(bool on) { return m_store.setInt("Zorvane", "Descriptions", on ? 1 : 0); }
    std::string lastProject() { return m_store.getString("Zorvane", "Project", ""); }
    Result<void> setLastProject(std::string_view path) { return m_store.setString("Zorvane", "Project", path); }
    // The object file of the backdrop a new project names and previews show
    // behind other objects, and the interpreter that previews and tests run.
    std::string defaultBackdrop() {
        return m_store.getString("Install", "DefaultBackdrop", authoring::kDefaultBackdropPath);
    }
    std::string interpreter() { return m_store.getString("Executables", "Zrvx32", "ZRVX32.EXE"); }

private:
    authoring::SettingsStore& m_store;
};

// The recently used projects, most recent first, in section MRUList: the
// capacity in "<prefix>Entries" (4 by default, held to 1..10), the paths in
// "<prefix>1" to "<prefix>10". Each change is saved at once.
class RecentList {
public:
    static constexpr int kMaxCapacity = 10;
    static constexpr std::size_t kMaxPath = 255;
    // The menu's command identifiers: the first entry's, then one up each.
    static constexpr int kFirstCommand = 1012;
    static constexpr const char* kPrompt = "Open this project file";

    explicit RecentList(authoring::SettingsStore& store, std::string prefix = "File");

    int capacity() const { return m_capacity; }
    const std::vector<std::string>& paths() const { return m_paths; }
    // Index of the last used slot, -1 when the list is empty.
    int lastUsed() const { return static_cast<int>(m_paths.size()) - 1; }

    // To the front: an entry equal without regard to case moves there and
    // takes the spelling given; a new one pushes the oldest off when full.
    // A path longer than 255 characters is refused.
    Result<void> add(std::string_view path);
    // Every entry equal without regard to case goes.
    Result<void> remove(std::string_view path);

    struct MenuEntry {
        int command = 0;
        std::string caption; // "&1 C:\PROJ\APP.SPJ"
    };
    // What the File menu shows below a separator (no separator when empty).
    std::vector<MenuEntry> menu() const;
    // The path a menu command opens, if it is one of the list's.
    std::optional<std::string> pathOf(int command) const;

private:
    Result<void> save();
    authoring::SettingsStore& m_store;
    std::string m_prefix;
    int m_capacity = 4;
    std::vector<std::string> m_paths;
};

// The project the workbench opens at start. A command line (blanks trimmed)
// that is not empty is resolved as a file name: one with a backslash must
// exist, a bare one is looked for in the current directory and then along
// PATH; when it does not resolve, nothing opens. An empty command line opens
// the `Project` setting (trimmed) when it is not empty.
std::optional<std::string> startupProject(Machine& machine, WorkbenchSettings& settings, std::string_view commandLine);

// Where the workbench keeps its scratch files (the clipboard, preview
// scripts): the machine's TEMP folder, else the Windows directory.
std::string temporaryFolder(Machine& machine);

} // namespace zrv::workbench
