// The one boundary between the script engine and a user interface. The engine
// asks; a back end (headless, Qt) shows and answers.
#pragma once

#include "interpreter/ui/debugview.h"
#include "interpreter/ui/dialog.h"
#include "interpreter/ui/display.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zrv::ui {

// Win32 message box styles and results.
namespace Mb {
inline constexpr unsigned Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
inline constexpr unsigned IconStop = 16, IconQuestion = 32, IconExclamation = 48, IconInformation = 64;
inline constexpr unsigned DefButton2 = 0x100, DefButton3 = 0x200;
inline constexpr unsigned TypeMask = 0x0F, IconMask = 0xF0, DefMask = 0xF00;
} // namespace Mb
namespace Id {
inline constexpr int Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, Back = 9, Button1 = 11;
} // namespace Id

struct MessageBoxRequest {
    std::string kind = "messagebox"; // "messagebox", "error" (an error report), "prompt" (asks for a disk)
    std::string title;
    std::string text;       // code page 1252
    unsigned style = Mb::Ok;
    int errorNumber = 0;    // for error reports
};

class Ui {
public:
    virtual ~Ui() = default;
    // The identifier of the button chosen (IDOK ...), or 0 when no box could be shown.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual void beginWaitCursor() {}
    virtual void endWaitCursor() {}
    // Lets the interface handle what is waiting (repaints, input) and return.
    virtual void pumpMessages() {}
    // No person is there: nothing outside the script can change what it waits for.
    virtual bool unattended() const { return false; }
    // A line for the transcript of what happened (JSON object), where one is kept.
    virtual void record(const std::string& /*json*/) {}
    // Something the person should know before it bites (code page 1252 text):
    // into the transcript, and on the console when one is set.
    virtual void warning(const std::string& text);
    // Where a run that has a terminal says what happened: warnings, and in a
    // headless run the error reports and the progress of copies too.
    struct Console {
        std::FILE* out = nullptr; // nullptr: nothing on the terminal
        bool progress = false;    // copy progress lines
        bool live = false;        // one updating line (a terminal) instead of a line per file
    };
    void setConsole(Console console) { m_console = std::move(console); }
    const Console& console() const { return m_console; }

    // What is shown: objects, windows, placement. Commands change it and then
    // say which window changed; a back end brings that window in step.
    Display& display() { return m_display; }
    const Display& display() const { return m_display; }
    enum class Window { Main, CueCard, Wait, Copy };
    virtual void changed(Window /*window*/) {}
    // #NAME# expansion of the texts objects paint, from the engine's variables.
    using Expander = std::function<std::string(const std::string&)>;
    void setExpander(Expander expand) { m_expand = std::move(expand); }
    const Expander& expander() const { return m_expand; }
    // The back end's own text measures; geometry follows them.
    virtual const TextMeasurer& measurer() const { return m_fixed; }

    // Runs a modal dialog: shows it, lets its controller initialise it and
    // handle every command until it ends the dialog; the result that ended it.
    virtual int runDialog(Dialog& dialog) = 0;

    // Shows the script debugger's window until Step, Run or Cancel ends it;
    // that button's identifier. With nobody to ask, Run, so a run never waits.
    virtual int runDebugger(DebugView& /*view*/) { return kDebugRun; }

    // The copy progress dialog (display().copy): open while a copy block runs.
    // Its fields are the description (0), the source (1) and the target (2).
    virtual void openCopyDialog() {
        m_display.copy.shown = true;
        changed(Window::Copy);
    }
    virtual void closeCopyDialog(int /*status*/) {
        m_display.copy.shown = false;
        changed(Window::Copy);
    }
    void setCopyField(int field, const std::string& text) {
        if (field >= 0 && field < 3)
            m_display.copy.fields[static_cast<std::size_t>(field)] = text;
        changed(Window::Copy);
    }
    void setGauge(std::int32_t range, std::int32_t position) {
        m_display.copy.gauge.range = range;
        m_display.copy.gauge.position = position;
        changed(Window::Copy);
    }
    // A transfer begins; true once the person pressed Cancel.
    virtual void transferStarted(const std::string& /*source*/, const std::string& /*target*/) {}
    virtual void transferEnded(const std::string& /*source*/, const std::string& /*target*/, int /*status*/,
                               std::uint64_t /*bytes copied*/) {}
    virtual bool cancelPressed() { return false; }
    // Whether a copy of this run was cancelled by the person (its Cancel button).
    void noteCancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    // The main window: as large as the screen, titled with the script's caption,
    // hidden until a backdrop is shown.
    virtual void createMainWindow(const std::string& /*title*/) {}
    virtual void destroyMainWindow() {}
    // The screen the interface shows on: the machine's (machine.ini), unless
    // the screen is pinned (the real screen a Qt run shows on, or --screen).
    void setScreenSize(int width, int height) {
        m_display.metrics.screenWidth = m_pinned ? m_pinned->first : width;
        m_display.metrics.screenHeight = m_pinned ? m_pinned->second : height;
    }
    void pinScreen(int width, int height) {
        m_pinned = std::make_pair(width, height);
        setScreenSize(width, height);
    }
    int screenWidth() const { return m_display.metrics.screenWidth; }
    int screenHeight() const { return m_display.metrics.screenHeight; }

private:
    std::optional<std::pair<int, int>> m_pinned;
    bool m_cancelled = false;
    Console m_console;
    Display m_display;
    FixedMeasurer m_fixed;
    Expander m_expand;
};

// The first button of a style, or the one MB_DEFBUTTON2/3 names.
int defaultButton(unsigned style);
// "IDOK" ... "IDNO", "IDBACK", "IDBUTTON1" ... "IDBUTTON5" for a result; "" for others.
const char* resultName(int id);
int resultFromName(const std::string& name); // 0 when unknown
const char* buttonsName(unsigned style);
const char* iconName(unsigned style);

} // namespace zrv::ui
