// The user interface for unattended runs and tests: message boxes are answered
// from an answer file, else with their default button (a disk prompt with
// Cancel), and everything shown is written to the transcript.
#pragma once

#include "interpreter/ui/json.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/base/result.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zrv::ui {

class HeadlessUi : public Ui {
public:
    // Answer file and transcript are host files; either may be absent.
    static Result<std::unique_ptr<HeadlessUi>> create(const std::optional<std::filesystem::path>& answers,
                                                      const std::optional<std::filesystem::path>& transcript);
    static Result<std::unique_ptr<HeadlessUi>> fromText(std::string_view answers);

    int messageBox(const MessageBoxRequest& request) override;
    void record(const std::string& json) override;
    bool unattended() const override { return true; }
    void openCopyDialog() override;
    void closeCopyDialog(int status) override;
    void changed(Window window) override;
    int runDialog(Dialog& dialog) override;
    void transferStarted(const std::string& source, const std::string& target) override;
    void transferEnded(const std::string& source, const std::string& target, int status) override;
    bool cancelPressed() override { return m_cancelAt != 0 && m_transfers >= m_cancelAt; }

    // Lines written to the transcript, also kept in memory.
    const std::vector<std::string>& transcript() const { return m_lines; }
    // A prompt that comes back this many times in a row is answered Cancel,
    // whatever the answers say, so an unattended run never loops on it.
    static constexpr int kPromptRepeats = 20;

protected:
    // Hooks for a back end that also shows what it answers.
    virtual void dialogShown(Dialog&) {}
    virtual void boxShown(const MessageBoxRequest&, int /*result*/) {}
    // Transcript lines of a dialog that ended with `result` and of a box.
    void writeDialog(Dialog& dialog, int result, int occurrence, const std::string& from);
    void writeBox(const MessageBoxRequest& request, int result, const std::string& source);
    // The number of this showing among the dialogs of its name.
    int nextOccurrence(const Dialog& dialog) { return ++m_dialogsSeen[upperAnsi(dialog.name)]; }
    int transfers() const { return m_transfers; }
    bool hasAnswers() const { return !m_answers.empty() || m_cancelAt != 0; }
    HeadlessUi() = default;
    Result<void> setup(const std::optional<std::filesystem::path>& answers,
                       const std::optional<std::filesystem::path>& transcript);

private:
    struct Answer {
        std::string kind = "messagebox";
        std::string text = "*";
        std::string title = "*";
        int occurrence = 0; // 0: every match
        int result = 0;
        int seen = 0;
        int cancel = 0;   // copy: the transfer to press Cancel in
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
    };
    // Gives the items of a dialog the values an answer names.
    void apply(const Answer& answer, Dialog& dialog);
    Result<void> load(std::string_view text);

    std::vector<Answer> m_answers;
    std::ofstream m_out;
    std::vector<std::string> m_lines;
    std::string m_lastPrompt;
    int m_transfers = 0;
    int m_cancelAt = 0; // the transfer during which Cancel is pressed, 0 for none
    std::map<std::string, int> m_dialogsSeen;
    bool m_waitShown = false;
    int m_promptRepeats = 0;
};

// Case-insensitive glob match with '*' and '?' on UTF-8 text.
bool globMatch(std::string_view pattern, std::string_view text);

} // namespace zrv::ui
