#include "interpreter/ui/headless/headless.h"

#include "interpreter/ui/transcriptview.h"
#include "platform/base/ansi.h"

#include <cstdio>

namespace zrv::ui {

Result<std::unique_ptr<HeadlessUi>> HeadlessUi::fromText(std::string_view text) {
    auto answers = Answers::parse(text);
    if (!answers)
        return answers.error();
    std::unique_ptr<HeadlessUi> ui(new HeadlessUi(std::move(*answers)));
    ui->m_transcript.keepLines();
    return ui;
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
    m_progress.files = 0;
    m_progress.bytes = 0;
    m_progress.started = m_progress.shown = std::chrono::steady_clock::now();
    m_transcript.copyOpened(display().copy);
}

void HeadlessUi::closeCopyDialog(int status) {
    Ui::closeCopyDialog(status);
    if (m_progress.lineOpen) {
        std::fputc('\n', console().out);
        m_progress.lineOpen = false;
    }
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

void HeadlessUi::transferStarted(const std::string& source, const std::string& target) {
    m_answers.transferStarted();
    showProgress(source, target, false);
}

void HeadlessUi::transferEnded(const std::string& source, const std::string& target, int status,
                               std::uint64_t bytes) {
    m_transcript.transfer(source, target, status);
    if (status == 0) {
        ++m_progress.files;
        m_progress.bytes += bytes;
        showProgress(source, target, true);
    }
}

void HeadlessUi::showProgress(const std::string& source, const std::string& target, bool ended) {
    const Console& c = console();
    if (!c.out || !c.progress || ended == c.live)
        return; // a live line shows the file being copied, plain lines each file copied
    const auto now = std::chrono::steady_clock::now();
    // A terminal line is redrawn at most ten times a second.
    if (c.live && m_progress.lineOpen && now - m_progress.shown < std::chrono::milliseconds(100))
        return;
    m_progress.shown = now;
    const double seconds = std::chrono::duration<double>(now - m_progress.started).count();
    const double mb = static_cast<double>(m_progress.bytes) / 1e6;
    std::string gauge = display().copy.gauge.text();
    char head[96];
    std::snprintf(head, sizeof head, "%4s %d files, %.1f MB, %.1f MB/s: ", gauge.c_str(), m_progress.files, mb,
                  seconds > 0 ? mb / seconds : 0.0);
    std::string line = head + ansiToUtf8(source) + " -> " + ansiToUtf8(target);
    if (c.live) {
        std::fprintf(c.out, "\r\033[KCopying%s", line.c_str());
        m_progress.lineOpen = true;
    } else {
        std::fprintf(c.out, "zrvx32: copied%s\n", line.c_str());
    }
    std::fflush(c.out);
}

int HeadlessUi::messageBox(const MessageBoxRequest& request) {
    if (request.kind == "error" && console().out) {
        if (m_progress.lineOpen) {
            std::fputc('\n', console().out);
            m_progress.lineOpen = false;
        }
        std::fprintf(console().out, "zrvx32: %s\n", ansiToUtf8(errorReportLines(request.text)).c_str());
    }
    Answers::Choice c = m_answers.messageBox(request);
    m_transcript.box(request, c.result, c.from);
    return c.result;
}

} // namespace zrv::ui
