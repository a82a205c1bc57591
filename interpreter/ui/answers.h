// The answer file of an unattended run: what it answers to each message box
// and dialog (by kind, name, title and text, with '*' and '?'), and in which
// transfer of a copy it presses Cancel.
#pragma once

#include "interpreter/ui/dialog.h"
#include "interpreter/ui/ui.h"
#include "platform/base/result.h"

#include <filesystem>
#include <functional>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::ui {

class Answers {
public:
    // One JSON object a line; blank lines and lines starting with '#' are skipped.
    static Result<Answers> parse(std::string_view text);
    // The answer file at `file`, or none.
    static Result<Answers> read(const std::optional<std::filesystem::path>& file);

    bool empty() const { return m_answers.empty() && m_cancelAt == 0; }

    // What was pressed, and where the choice came from ("default", "answers",
    // "repeated", "refused", "init").
    struct Choice {
        int result = 0;
        const char* from = "default";
    };
    // A prompt that comes back this many times in a row is answered Cancel,
    // whatever the answers say, so an unattended run never loops on it.
    static constexpr int kPromptRepeats = 20;
    Choice messageBox(const MessageBoxRequest& request);
    // Runs a dialog without a person: what its answer does (steps, values, the
    // last button), else its default button; `shown` sees it before it is answered.
    Choice runDialog(Dialog& dialog, int occurrence, const std::function<void(Dialog&)>& shown);
    // The number of this showing among the dialogs of its name.
    int nextOccurrence(const Dialog& dialog);

    // A stop of the script debugger at `line` of `file`: what to do in the
    // window first (each step a command and a line), then the button (Step,
    // Run or Cancel). With no answer, Run: an unattended run never waits.
    struct DebugStep {
        std::string command; // "breakpoint", "setnext" or "clearall"
        std::uint32_t line = 0;
    };
    struct DebugChoice {
        int result = kDebugRun;
        const char* from = "default";
        std::vector<DebugStep> steps;
    };
    DebugChoice debugStop(const std::string& file, std::uint32_t line);
    // Stops answered from the file, after which every stop is answered Run:
    // an answer that keeps moving the next line back would loop for ever.
    static constexpr int kDebugStops = 10000;

    // Transfers of copies, counted so Cancel is pressed in the one the file names.
    void transferStarted() { ++m_transfers; }
    int transfers() const { return m_transfers; }
    bool cancelPressed() const { return m_cancelAt != 0 && m_transfers >= m_cancelAt; }

private:
    struct Answer {
        std::string kind = "messagebox";
        std::string text = "*";
        std::string title = "*";
        int occurrence = 0; // 0: every match
        int result = 0;
        int seen = 0;
        int cancel = 0;         // copy: the transfer to press Cancel in
        std::string name = "*"; // dialogs
        std::map<std::string, std::string> variables;
        std::map<int, std::string> controls;
        // Dialogs: what a person did before the last button, in order.
        struct Step {
            int id = 0;
            std::optional<std::string> value;
            std::map<int, std::string> controls; // what the controls held at that moment
            Event event = Event::Clicked;
        };
        std::vector<Step> steps;
        std::uint32_t line = 0; // debug: the line stopped at, 0 for any
        std::vector<DebugStep> debugSteps;
    };
    static Result<Answer> parseLine(std::string_view line);
    // Gives the items of a dialog the values an answer names.
    static void apply(const Answer& answer, Dialog& dialog);

    std::vector<Answer> m_answers;
    std::string m_lastPrompt;
    int m_promptRepeats = 0;
    int m_transfers = 0;
    int m_debugStops = 0;
    int m_cancelAt = 0; // the transfer during which Cancel is pressed, 0 for none
    std::map<std::string, int> m_dialogsSeen;
};

// Case-insensitive glob match with '*' and '?' on UTF-8 text.
bool globMatch(std::string_view pattern, std::string_view text);

} // namespace zrv::ui
