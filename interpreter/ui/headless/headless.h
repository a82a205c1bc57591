// The user interface for unattended runs and tests: message boxes and dialogs
// are answered from an answer file, else with their default button (a disk
// prompt with Cancel), and everything shown is written to the transcript.
#pragma once

#include "interpreter/ui/answers.h"
#include "interpreter/ui/headless/terminal.h"
#include "interpreter/ui/transcript.h"
#include "interpreter/ui/ui.h"
#include "platform/base/result.h"

#include <chrono>
#include <filesystem>
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
    // Answers from text, and the transcript kept in memory (transcript()).
    static Result<std::unique_ptr<HeadlessUi>> fromText(std::string_view answers);

    int messageBox(const MessageBoxRequest& request) override;
    void record(const std::string& json) override { m_transcript.record(json); }
    bool unattended() const override { return true; }
    void openCopyDialog() override;
    void closeCopyDialog(int status) override;
    void changed(Window window) override;
    int runDialog(Dialog& dialog) override;
    void transferStarted(const std::string& source, const std::string& target) override;
    void transferEnded(const std::string& source, const std::string& target, int status, std::uint64_t bytes) override;
    bool cancelPressed() override { return m_answers.cancelPressed(); }
    int runDebugger(DebugView& view) override;
    // The debugger's stops go to a person at a terminal instead of the answers.
    void debugOnTerminal(std::istream& in, std::ostream& out, bool terminal, const LineEditor* editor = nullptr) {
        m_terminal = std::make_unique<TerminalDebugger>(in, out, terminal, editor);
    }

    // The lines written to the transcript of a HeadlessUi made fromText.
    const std::vector<std::string>& transcript() const { return m_transcript.lines(); }
    static constexpr int kPromptRepeats = Answers::kPromptRepeats;

private:
    explicit HeadlessUi(Answers answers) : m_answers(std::move(answers)) {}

    // The console's copy progress: what was copied so far, and when it was last shown.
    void showProgress(const std::string& source, const std::string& target, bool ended);

    Answers m_answers;
    Transcript m_transcript;
    struct {
        int files = 0;
        std::uint64_t bytes = 0;
        std::chrono::steady_clock::time_point started, shown;
        bool lineOpen = false; // a live line waits for its end
    } m_progress;
    std::unique_ptr<TerminalDebugger> m_terminal;
};

// Answers a stop of the debugger from the answer file (its steps, then its
// button; Run when none matches) and writes its line: shared by the back ends
// that answer from a file.
int answerDebugger(Answers& answers, Transcript& transcript, DebugView& view);

// Runs a dialog without a person and writes its line: shared by the back ends
// that answer from a file. `shown` sees it before it is answered.
int answerDialog(Ui& ui, Answers& answers, Transcript& transcript, Dialog& dialog,
                 const std::function<void(Dialog&)>& shown);

} // namespace zrv::ui
