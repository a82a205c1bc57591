// The script debugger's window as data: the engine fills a DebugView before a
// statement runs, a back end shows it and ends it with a button; the commands
// that leave the window open (Set Next, Break Point, Clear All) go back to the
// engine through the view, so no back end touches the engine.
#pragma once

#include "interpreter/ui/geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zrv::ui {

// The buttons. Step, Run and Cancel end the window with their identifier.
enum DebugButton : int {
    kDebugCancel = 2,
    kDebugStep = 17,
    kDebugRun = 18,
    kDebugSetNext = 19,
    kDebugBreakPoint = 20,
    kDebugClearAll = 21,
};

// The names answer files and transcripts give the buttons that end a stop.
inline const char* debugResultName(int result) {
    return result == kDebugStep ? "step" : result == kDebugRun ? "run" : "cancel";
}

// The window's template: 258 x 190 dialog units, with a sizing border.
inline constexpr int kDebugWidthDu = 258, kDebugHeightDu = 190;

// Where the controls go in a client area of `width` x `height` pixels.
struct DebugLayout {
    Rect frame, scriptLabel, scriptList, commandLabel, commandList;
    std::array<Rect, 6> buttons; // Step, Run, Set Next, Break Point, Clear All, Cancel
};
DebugLayout layoutDebugWindow(int width, int height);

struct DebugButtonText {
    int id;
    const char* text; // with its mnemonic
};
inline constexpr std::array<DebugButtonText, 6> kDebugButtons = {{{kDebugStep, "&Step"},
                                                                   {kDebugRun, "&Run"},
                                                                   {kDebugSetNext, "Set &Next"},
                                                                   {kDebugBreakPoint, "&Break Point"},
                                                                   {kDebugClearAll, "Clear &All"},
                                                                   {kDebugCancel, "&Cancel"}}};

class DebugView {
public:
    // What the view needs of the engine; set by the engine before showing.
    struct Source {
        std::function<std::string(std::uint32_t line)> text; // "%04ld  " and the line
        std::function<bool(std::uint32_t line)> breakpoint;
        std::function<std::string(std::uint32_t line)> setNext; // "" when done, else why not
        std::function<void(std::uint32_t line)> toggleBreakpoint;
        std::function<void()> clearAll;
        std::function<std::vector<std::string>()> commands; // the command list, as it is now
        std::function<void(const Rect&)> moved;             // the window's new rectangle
    };

    std::string title;         // "Debug - " and the script file's name
    std::string file;          // the script file, as the file stack holds it
    std::uint32_t lines = 0;   // lines of the file
    std::uint32_t current = 0; // the line about to run, 1-based
    std::string statement;     // its text
    std::optional<Rect> rect;  // where the window was last, from the debug data file
    std::string message;       // why the last command was refused, for the person
    Source source;

    enum class LineState { Plain, Current, Breakpoint };
    LineState state(std::uint32_t line) const;
    // Colours as 0x00RRGGBB: a breakpoint red with white text, the current line
    // yellow with black text, others white with black text.
    static std::uint32_t background(LineState s);
    static std::uint32_t foreground(LineState s);

    std::string text(std::uint32_t line) const { return source.text ? source.text(line) : std::string(); }
    std::vector<std::string> commands() const { return source.commands ? source.commands() : std::vector<std::string>{}; }

    // The commands that keep the window open; `line` is 1-based (the caret's
    // item + 1). Set Next refuses a line it cannot run and says why in `message`.
    bool setNext(std::uint32_t line);
    void toggleBreakpoint(std::uint32_t line);
    void clearAll();
    // The window moved or was resized by a person (not while it initialises).
    void moved(const Rect& r);
};

} // namespace zrv::ui
