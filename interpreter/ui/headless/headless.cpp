#include "interpreter/ui/headless/headless.h"

namespace zrv::ui {

Result<std::unique_ptr<HeadlessUi>> HeadlessUi::fromText(std::string_view text) {
    auto answers = Answers::parse(text);
    if (!answers)
        return answers.error();
    return std::unique_ptr<HeadlessUi>(new HeadlessUi(std::move(*answers)));
}

Result<std::unique_ptr<HeadlessUi>> HeadlessUi::create(const std::optional<std::filesystem::path>& answers,
                                                       const std::optional<std::filesystem::path>& transcript) {
    auto read = Answers::read(answers);
    if (!read)
        return read.error();
    std::unique_ptr<HeadlessUi> ui(new HeadlessUi(std::move(*read)));
    if (transcript)
        if (auto r = ui->m_transcript.open(*transcript); !r)
            return r.error();
    return ui;
}

void HeadlessUi::openCopyDialog() {
    Ui::openCopyDialog();
    m_transcript.copyOpened(display().copy);
}

void HeadlessUi::closeCopyDialog(int status) {
    Ui::closeCopyDialog(status);
    m_transcript.copyClosed(display().copy.gauge, status);
}

void HeadlessUi::changed(Window window) { m_transcript.changed(display(), window, measurer(), expander()); }

int answerDialog(Ui& ui, Answers& answers, Transcript& transcript, Dialog& dialog,
                 const std::function<void(Dialog&)>& shown) {
    int occurrence = answers.nextOccurrence(dialog);
    Answers::Choice c = answers.runDialog(dialog, occurrence, shown);
    transcript.dialog(dialog, c.result, occurrence, c.from, ui.display().metrics, ui.measurer());
    return c.result;
}

int answerDebugger(Answers& answers, Transcript& transcript, DebugView& view) {
    Answers::DebugChoice choice = answers.debugStop(view.file, view.current);
    for (const Answers::DebugStep& step : choice.steps) {
        if (step.command == "breakpoint")
            view.toggleBreakpoint(step.line);
        else if (step.command == "setnext")
            view.setNext(step.line);
        else
            view.clearAll();
    }
    transcript.debugStop(view, choice.result, choice.from);
    return choice.result;
}

int HeadlessUi::runDebugger(DebugView& view) {
    if (!m_terminal)
        return answerDebugger(m_answers, m_transcript, view);
    const int result = m_terminal->run(view);
    m_transcript.debugStop(view, result, "terminal");
    return result;
}

int HeadlessUi::runDialog(Dialog& dialog) { return answerDialog(*this, m_answers, m_transcript, dialog, {}); }

void HeadlessUi::transferStarted(const std::string&, const std::string&) { m_answers.transferStarted(); }

void HeadlessUi::transferEnded(const std::string& source, const std::string& target, int status) {
    m_transcript.transfer(source, target, status);
}

int HeadlessUi::messageBox(const MessageBoxRequest& request) {
    Answers::Choice c = m_answers.messageBox(request);
    m_transcript.box(request, c.result, c.from);
    return c.result;
}

} // namespace zrv::ui
