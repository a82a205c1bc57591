#include "interpreter/ui/qt/qtui.h"

#include "interpreter/ui/headless/headless.h"
#include "interpreter/ui/json.h"
#include "interpreter/ui/qt/debugwindow.h"
#include "interpreter/ui/qt/widgets.h"
#include "platform/base/ansi.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <cstdlib>
#include <fstream>

namespace zrv::ui::qt {

namespace {

// The copy progress dialog: three texts, two captions, the gauge, Cancel.
class CopyWindow : public QDialog {
public:
    CopyWindow(const CopyDialog& model, const Metrics& m, QWidget* parent, bool& cancelled)
        : QDialog(parent), m_model(model) {
        dialogLook(this);
        Rect client = m.toPixels(Rect::sized(0, 0, CopyDialog::kDialog.width(), CopyDialog::kDialog.height()));
        setFixedSize(client.width(), client.height());
        Rect at = m.dialogWindow(CopyDialog::kDialog, 0, m.captionHeight);
        move(at.left, at.top);
        for (const auto& item : CopyDialog::kItems) {
            Rect r = m.toPixels(item.du);
            QWidget* w = nullptr;
            if (item.id == 100) {
                w = new QLabel(this);
                w->setStyleSheet("border: 1px solid gray;");
            } else if (item.id == 53) {
                m_gauge = new GaugeWidget(model.gauge, this);
                w = m_gauge;
            } else if (item.id == 2) {
                auto* b = new QPushButton(this);
                connect(b, &QPushButton::clicked, this, [&cancelled] { cancelled = true; });
                m_cancel = b;
                w = b;
            } else {
                auto* l = new QLabel(this);
                m_labels[item.id] = l;
                w = l;
            }
            w->setObjectName(QString("item%1").arg(item.id));
            w->setGeometry(r.left, r.top, r.width(), r.height());
        }
        refresh();
    }
    void refresh() {
        setWindowTitle(fromAnsi(m_model.title));
        m_labels[208]->setText(fromAnsi(m_model.captions[0]));
        m_labels[209]->setText(fromAnsi(m_model.captions[1]));
        m_cancel->setText(fromAnsi(m_model.captions[2]));
        m_labels[207]->setText(fromAnsi(m_model.fields[0]));
        m_labels[205]->setText(fromAnsi(m_model.fields[1]));
        m_labels[206]->setText(fromAnsi(m_model.fields[2]));
        m_gauge->update();
    }

protected:
    void reject() override {} // only Cancel stops a copy

private:
    const CopyDialog& m_model;
    std::map<int, QLabel*> m_labels;
    GaugeWidget* m_gauge = nullptr;
    QPushButton* m_cancel = nullptr;
};

class QtUi : public Ui {
public:
    explicit QtUi(const QtOptions& o) : m_options(o) {
        static int argc = 1;
        static char name[] = "zrvx32";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            m_app = std::make_unique<QApplication>(argc, argv);
        periodLook();
        // The script sees the screen it shows on.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            pinScreen(screen->geometry().width(), screen->geometry().height());
        m_unattended = o.answers.has_value();
        m_main = std::make_unique<SurfaceWidget>(
            [this](const QRect& r) {
                Display& d = display();
                d.main.surface.client = Rect{0, 0, r.width(), r.height()};
                auto ops = Gradient(d.main.surface.client);
                if (!d.main.surface.objectName.empty()) {
                    int error = 0;
                    auto more = RenderObject(d.objects, d.main.surface, d.metrics, m_measurer, expander(), error);
                    ops.insert(ops.end(), more.begin(), more.end());
                }
                return ops;
            },
            &display().main.surface);
        m_main->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    }

    Result<void> open() {
        if (m_options.record) {
            m_record.open(*m_options.record, std::ios::binary | std::ios::trunc);
            if (!m_record)
                return fail(WinError::AccessDenied, "cannot write the record " + m_options.record->string());
        }
        if (m_options.screenshots && !QDir().mkpath(QString::fromStdString(m_options.screenshots->string())))
            return fail(WinError::AccessDenied, "cannot make the folder " + m_options.screenshots->string());
        return {};
    }
    Result<void> readAnswers(const QtOptions& o) {
        auto answers = Answers::read(o.answers);
        if (!answers)
            return answers.error();
        m_answers = std::move(*answers);
        if (o.transcript)
            return m_transcript.open(*o.transcript);
        return {};
    }

    void record(const std::string& json) override { m_transcript.record(json); }
    void transferStarted(const std::string&, const std::string&) override { m_answers.transferStarted(); }
    void transferEnded(const std::string& source, const std::string& target, int status, std::uint64_t) override {
        m_transcript.transfer(source, target, status);
        // One picture of the copy under way: the first time the gauge passes half.
        const Gauge& g = display().copy.gauge;
        if (m_copy && !m_copyShot && g.range > 0 && g.position * 2 >= g.range) {
            m_copyShot = true;
            m_copy->refresh();
            QCoreApplication::processEvents();
            shot(m_copy.get(), "copy", "progress");
        }
    }

    bool unattended() const override { return m_unattended; }
    const TextMeasurer& measurer() const override { return m_measurer; }
    void pumpMessages() override { QCoreApplication::processEvents(); }
    void beginWaitCursor() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void endWaitCursor() override {
        if (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    void createMainWindow(const std::string& title) override {
        display().main.title = title;
        Rect r = display().metrics.mainWindow();
        m_main->setWindowTitle(fromAnsi(title));
        m_main->setGeometry(0, display().metrics.captionHeight, r.width(), display().metrics.mainClient().height());
    }
    void destroyMainWindow() override { m_main->hide(); }

    void changed(Window window) override {
        m_transcript.changed(display(), window, m_measurer, expander());
        Display& d = display();
        switch (window) {
        case Window::Main:
            m_main->setWindowTitle(fromAnsi(d.main.title));
            if (d.main.visible) {
                m_main->show();
                m_main->update();
                shot(m_main.get(), "backdrop", d.main.surface.objectName);
            } else {
                m_main->hide();
            }
            break;
        case Window::CueCard:
            m_cue.reset();
            if (d.cue.shown) {
                m_cue = std::make_unique<SurfaceWidget>(
                    [this](const QRect& r) {
                        Display& dd = display();
                        dd.cue.surface.client = Rect{0, 0, r.width(), r.height()};
                        int error = 0;
                        return RenderObject(dd.objects, dd.cue.surface, dd.metrics, m_measurer, expander(), error);
                    },
                    &d.cue.surface, m_main.get());
                m_cue->setGeometry(d.cue.rect.left, d.cue.rect.top, d.cue.rect.width(), d.cue.rect.height());
                m_cue->show();
                shot(m_cue.get(), "cuecard", d.cue.surface.objectName);
            }
            break;
        case Window::Wait:
            if (!d.wait.shown) {
                m_wait.reset();
                break;
            }
            if (!m_wait) {
                // Owned by the main window, so a window manager keeps it above the backdrop.
                m_wait = std::make_unique<SurfaceWidget>(
                    [this](const QRect& r) { return display().wait.paint(Rect{0, 0, r.width(), r.height()}, m_measurer); },
                    nullptr);
                if (m_main)
                    m_wait->setParent(m_main.get());
                Rect c = d.metrics.toPixels(Rect::sized(0, 0, WaitWindow::kWidthDu, WaitWindow::kHeightDu));
                m_wait->setFixedSize(c.width(), c.height());
                m_wait->move(d.wait.window.left, d.wait.window.top);
                m_wait->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
            }
            m_wait->setWindowTitle(fromAnsi(d.wait.title));
            m_wait->show();
            m_wait->repaint();
            QCoreApplication::processEvents();
            shot(m_wait.get(), "wait", "");
            break;
        case Window::Copy:
            if (m_copy)
                m_copy->refresh();
            break;
        }
    }

    void openCopyDialog() override {
        Ui::openCopyDialog();
        m_transcript.copyOpened(display().copy);
        m_cancelled = false;
        m_copyShot = false;
        m_copy = std::make_unique<CopyWindow>(display().copy, display().metrics, m_main.get(), m_cancelled);
        m_copy->show();
        QCoreApplication::processEvents();
        shot(m_copy.get(), "copy", "");
    }
    void closeCopyDialog(int status) override {
        if (m_cancelled && !m_unattended)
            recordLine(JsonWriter::object().text("kind", "copy").number("cancel", m_answers.transfers()).str());
        m_copy.reset();
        Ui::closeCopyDialog(status);
        m_transcript.copyClosed(display().copy.gauge, status);
    }
    bool cancelPressed() override {
        QCoreApplication::processEvents();
        return m_unattended ? m_answers.cancelPressed() : m_cancelled;
    }

    int messageBox(const MessageBoxRequest& request) override {
        if (m_unattended) {
            // Shown and photographed, then answered.
            Answers::Choice c = m_answers.messageBox(request);
            showBox(request);
            m_transcript.box(request, c.result, c.from);
            return c.result;
        }
        MessageBoxDialog box(request, activeParent());
        box.setFont(dialogFont());
        box.setWindowModality(Qt::ApplicationModal); // shown before exec() for its picture
        box.show();
        shot(&box, request.kind, "");
        int result = box.exec() != 0 ? box.result() : 0;
        m_transcript.box(request, result, "person");
        if (request.kind != "error") {
            std::string key = request.kind + "\n" + request.title + "\n" + request.text;
            int occurrence = ++m_boxesSeen[key];
            recordLine(JsonWriter::object()
                           .text("kind", request.kind)
                           .text("title", ansiToUtf8(request.title))
                           .text("text", ansiToUtf8(request.text))
                           .number("occurrence", occurrence)
                           .json("result", resultJson(result))
                           .str());
        }
        return result;
    }

    int runDialog(Dialog& dialog) override {
        if (m_unattended)
            return answerDialog(*this, m_answers, m_transcript, dialog, [this](Dialog& d) { showDialog(d); });
        Outcome o = dialog.controller ? dialog.controller->init(dialog) : Outcome::endWith(Id::Cancel);
        int occurrence = m_answers.nextOccurrence(dialog);
        if (o.end) {
            m_transcript.dialog(dialog, o.result, occurrence, "init", display().metrics, m_measurer);
            return o.result;
        }
        DialogWindow window(dialog, display().metrics, m_measurer, activeParent());
        std::vector<std::string> steps;
        window.onCommand = [&](int id, Event event, const DialogItem* item) {
            JsonWriter step = JsonWriter::object();
            step.number("id", id).json("controls", controlsJson(dialog));
            if (item && (item->cls == ItemClass::ListBox || item->cls == ItemClass::ComboBox))
                step.text("value", ansiToUtf8(item->value()));
            if (event != Event::Clicked)
                step.text("event", event == Event::DoubleClicked ? "double" : "select");
            steps.push_back(step.str());
        };
        window.setWindowModality(Qt::ApplicationModal); // shown before exec() for its picture
        window.show();
        shot(&window, "dialog", dialog.name);
        m_open.push_back(&window);
        window.exec();
        m_open.pop_back();
        int result = window.result();
        m_transcript.dialog(dialog, result, occurrence, "person", display().metrics, m_measurer);
        // The last command ended the dialog: it is the result, not a step.
        if (!steps.empty())
            steps.pop_back();
        JsonWriter line = JsonWriter::object();
        line.text("kind", "dialog").text("name", ansiToUtf8(dialog.name)).number("occurrence", occurrence);
        if (!steps.empty()) {
            JsonWriter list = JsonWriter::array();
            for (const std::string& step : steps)
                list.json(step);
            line.json("steps", list.str());
        }
        recordLine(line.json("controls", controlsJson(dialog)).json("result", resultJson(result)).str());
        return result;
    }

    int runDebugger(DebugView& view) override {
        if (m_unattended) {
            // Shown and photographed, then answered.
            {
                DebugWindow window(view, display().metrics, activeParent());
                window.show();
                QCoreApplication::processEvents();
                shot(&window, "debug", "");
            }
            return answerDebugger(m_answers, m_transcript, view);
        }
        const std::uint32_t stoppedAt = view.current; // Set Next may move it
        DebugWindow window(view, display().metrics, activeParent());
        window.setWindowModality(Qt::ApplicationModal); // shown before exec() for its picture
        window.show();
        shot(&window, "debug", "");
        m_open.push_back(&window);
        window.exec();
        m_open.pop_back();
        const int result = window.result();
        m_transcript.debugStop(view, result, "person");
        // Replayed, the same stop gets the same steps and button.
        const int occurrence = ++m_debugStopsSeen[view.file + ":" + std::to_string(stoppedAt)];
        JsonWriter steps = JsonWriter::array();
        for (const auto& [command, line] : window.steps) {
            JsonWriter step = JsonWriter::object();
            step.text("command", command);
            if (command != "clearall")
                step.number("line", line);
            steps.json(step.str());
        }
        recordLine(JsonWriter::object()
                       .text("kind", "debug")
                       .text("name", ansiToUtf8(view.file))
                       .number("line", stoppedAt)
                       .number("occurrence", occurrence)
                       .json("steps", steps.str())
                       .text("result", debugResultName(result))
                       .str());
        return result;
    }

private:
    // Unattended: the dialog and the box are shown and photographed, then answered.
    void showDialog(Dialog& dialog) {
        DialogWindow window(dialog, display().metrics, m_measurer, activeParent());
        window.show();
        QCoreApplication::processEvents();
        shot(&window, "dialog", dialog.name);
    }
    void showBox(const MessageBoxRequest& request) {
        MessageBoxDialog box(request, activeParent());
        box.show();
        QCoreApplication::processEvents();
        shot(&box, request.kind, "");
    }

    // The values of the controls that take input, by identifier.
    static std::string controlsJson(const Dialog& dialog) {
        JsonWriter out = JsonWriter::object();
        for (const DialogItem& item : dialog.items) {
            bool input = item.cls == ItemClass::Edit || item.cls == ItemClass::ListBox ||
                         item.cls == ItemClass::ComboBox || item.isCheckBox() || item.isRadio();
            if (input)
                out.text(std::to_string(item.id), ansiToUtf8(item.value()));
        }
        return out.str();
    }

    QWidget* activeParent() { return m_open.empty() ? (m_main->isVisible() ? m_main.get() : nullptr) : m_open.back(); }

    static std::string resultJson(int result) {
        const char* name = resultName(result);
        return *name ? jsonString(name) : std::to_string(result);
    }

    void recordLine(const std::string& line) {
        if (m_record.is_open()) {
            m_record << line << "\n";
            m_record.flush();
        }
    }

    void shot(QWidget* w, const std::string& kind, const std::string& name) {
        if (!m_options.screenshots)
            return;
        QCoreApplication::processEvents();
        QString file = QString("%1/%2-%3%4.png")
                           .arg(QString::fromStdString(m_options.screenshots->string()))
                           .arg(++m_shots, 3, 10, QChar('0'))
                           .arg(QString::fromStdString(kind))
                           .arg(name.empty() ? QString() : "-" + fromAnsi(name).toLower());
        w->grab().save(file);
    }

    QtOptions m_options;
    Answers m_answers;
    Transcript m_transcript;
    std::unique_ptr<QApplication> m_app;
    QtMeasurer m_measurer;
    std::unique_ptr<SurfaceWidget> m_main;
    std::unique_ptr<SurfaceWidget> m_cue;
    std::unique_ptr<SurfaceWidget> m_wait;
    std::unique_ptr<CopyWindow> m_copy;
    bool m_copyShot = false;
    std::vector<QWidget*> m_open;
    std::map<std::string, int> m_boxesSeen;
    std::map<std::string, int> m_debugStopsSeen;
    std::ofstream m_record;
    bool m_unattended = false;
    bool m_cancelled = false;
    int m_shots = 0;
};

} // namespace

Result<std::unique_ptr<Ui>> createQtUi(const QtOptions& options) {
    auto ui = std::make_unique<QtUi>(options);
    if (auto r = ui->readAnswers(options); !r)
        return r.error();
    if (auto r = ui->open(); !r)
        return r.error();
    return std::unique_ptr<Ui>(std::move(ui));
}

} // namespace zrv::ui::qt
