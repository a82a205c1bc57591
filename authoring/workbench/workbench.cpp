#include "authoring/workbench/workbench.h"

#include "authoring/project/authoringmachine.h"
#include "authoring/project/imports.h"
#include "authoring/project/objectfile.h"
#include "authoring/project/texts.h"
#include "authoring/workbench/dialogs.h"
#include "authoring/workbench/model/building.h"
#include "authoring/workbench/model/launch.h"
#include "authoring/workbench/model/objects.h"
#include "authoring/workbench/windows.h"
#include "common/scripttext.h"
#include "common/system.h"
#include "platform/base/ansi.h"
#include "common/text.h"
#include "interpreter/ui/qt/widgets.h"
#include "platform/machine/machine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QToolBar>

#include <fstream>
#include <sstream>

namespace zrv::workbench::qt {

using authoring::Answer;
using authoring::Buttons;
using authoring::Message;
using zrv::ui::qt::fromAnsi;
using zrv::ui::qt::toAnsi;

namespace {

constexpr const char* kTitle = "Setup Workbench";

// Our own toolbar icons, drawn at 16 x 16 in the period's sixteen colours.
QIcon drawnIcon(int command) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor navy(0, 0, 128), yellow(255, 255, 0), grey(128, 128, 128), white(255, 255, 255);
    p.setPen(Qt::black);
    switch (command) {
    case cmd::kNew:
        p.setBrush(white);
        p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
        p.drawLine(10, 1, 10, 4);
        p.drawLine(10, 4, 13, 4);
        break;
    case cmd::kOpen:
        p.setBrush(yellow);
        p.drawPolygon(QPolygon({{1, 4}, {5, 4}, {6, 5}, {12, 5}, {12, 13}, {1, 13}}));
        p.setBrush(QColor(128, 128, 0));
        p.drawPolygon(QPolygon({{3, 8}, {15, 8}, {12, 13}, {1, 13}}));
        break;
    case cmd::kSave:
        p.setBrush(navy);
        p.drawRect(1, 1, 13, 13);
        p.setBrush(white);
        p.drawRect(4, 2, 7, 5);
        p.setBrush(grey);
        p.drawRect(4, 10, 7, 4);
        break;
    case cmd::kCut:
        p.drawLine(4, 1, 10, 10);
        p.drawLine(11, 1, 5, 10);
        p.drawEllipse(2, 10, 4, 4);
        p.drawEllipse(9, 10, 4, 4);
        break;
    case cmd::kCopy:
        p.setBrush(white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 4, 8, 10);
        break;
    case cmd::kPaste:
        p.setBrush(QColor(128, 64, 0));
        p.drawRect(2, 2, 10, 12);
        p.setBrush(white);
        p.drawRect(6, 6, 8, 9);
        break;
    case cmd::kBuild:
        p.setBrush(navy);
        p.drawRect(1, 6, 6, 8);
        p.drawRect(8, 2, 6, 12);
        p.setBrush(white);
        p.drawRect(2, 7, 4, 3);
        p.drawRect(9, 3, 4, 3);
        break;
    case cmd::kTest:
        p.setBrush(QColor(0, 128, 0));
        p.drawPolygon(QPolygon({{4, 2}, {13, 8}, {4, 14}}));
        break;
    case cmd::kNewObject:
        p.setBrush(QColor(0, 128, 128));
        p.drawRect(1, 3, 13, 10);
        p.setBrush(white);
        p.drawRect(4, 6, 7, 4);
        break;
    case cmd::kFileAttributes:
        p.setBrush(white);
        p.drawRect(1, 1, 13, 13);
        p.setPen(navy);
        for (int y = 4; y <= 11; y += 3)
            p.drawLine(4, y, 11, y);
        break;
    default:
        break;
    }
    return QIcon(pm);
}

QMessageBox::StandardButtons buttonsOf(Buttons b) {
    switch (b) {
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

// What a person is asked, in message boxes and the file dialogs of the toolkit.
Asking personAsking(QWidget* parent) {
    Asking a;
    a.ask = [parent](const Message& m) {
        const bool question = m.text.starts_with("?") || m.buttons != Buttons::Ok;
        QMessageBox box(question ? QMessageBox::Question : m.text.starts_with("!") || m.text.starts_with("Error") ? QMessageBox::Warning
                                                                                    : QMessageBox::Information,
                        kTitle, fromAnsi(std::string(authoring::plain(m.text))), buttonsOf(m.buttons), parent);
        switch (box.exec()) {
        case QMessageBox::Cancel: return Answer::Cancel;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Ok;
        }
    };
    a.open = [parent](const std::string& title, const std::string& filter, bool many) {
        std::vector<std::string> out;
        if (many) {
            for (const QString& f : QFileDialog::getOpenFileNames(parent, QString::fromStdString(title), QString(),
                                                                  QString::fromStdString(filter)))
                out.push_back(f.toStdString());
        } else {
            const QString f = QFileDialog::getOpenFileName(parent, QString::fromStdString(title), QString(),
                                                           QString::fromStdString(filter));
            if (!f.isEmpty())
                out.push_back(f.toStdString());
        }
        return out;
    };
    a.saveAs = [parent](const std::string& title, const std::string& filter) {
        return QFileDialog::getSaveFileName(parent, QString::fromStdString(title), QString(),
                                            QString::fromStdString(filter))
            .toStdString();
    };
    a.exec = [](QDialog& d) { return d.exec(); };
    return a;
}

QRect toQt(const Rect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }
Rect fromQt(const QRect& r) { return Rect{r.top(), r.left(), r.bottom() + 1, r.right() + 1}; }


} // namespace

Workbench::Workbench(Machine& machine, WorkbenchOptions options, Asking asking)
    : m_machine(machine), m_options(std::move(options)), m_store(machine), m_settings(m_store) {
    m_asking = personAsking(this);
    if (asking.ask)
        m_asking.ask = asking.ask;
    if (asking.open)
        m_asking.open = asking.open;
    if (asking.saveAs)
        m_asking.saveAs = asking.saveAs;
    if (asking.exec)
        m_asking.exec = asking.exec;
    m_recent = std::make_unique<RecentList>(m_store);
    authoring::Prompts prompts;
    prompts.ask = [this](const Message& m) { return ask(m); };
    prompts.status = [this](int number) { status(number); };
    prompts.opened = [this](const std::string& path) {
        (void)m_recent->add(path);
        (void)m_settings.setLastProject(path);
        rebuildRecent();
    };
    m_project = std::make_unique<authoring::Project>(machine, std::move(prompts), m_settings.defaultBackdrop(),
                                                     languageForCountry(CountryCode(machine)));
    m_clipboard = std::make_unique<FileClipboard>(machine);
    m_editor = std::make_unique<FileListEditor>(*m_project, *m_clipboard);

    ui::qt::periodLook();
    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(QColor(128, 128, 128));
    setCentralWidget(m_mdi);
    m_pane0 = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setMaximumWidth(160);
    m_progress->setRange(0, 0);
    m_progress->hide();
    statusBar()->addWidget(m_pane0, 1);
    statusBar()->addPermanentWidget(m_progress);

    m_files = new FilesWindow(*this);
    m_objects = new ObjectsWindow(*this);
    m_props = new PropertyWindow(*this);
    addChild(m_files, Pane::Files);
    addChild(m_objects, Pane::Objects);
    addChild(m_props, Pane::Properties);
    buildMenus();
    restorePlacement();
    status("Ready");

    if (auto start = startupProject(machine, m_settings, m_options.commandLine))
        openProject(*start);
    refresh();
}

Workbench::~Workbench() {
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    // The previews' scripts go with the workbench (an interpreter still showing one has it open).
    for (const std::string& script : m_previewScripts)
        (void)m_machine.deleteFile(script);
}

Answer Workbench::ask(const Message& m) { return m_asking.ask(m); }

void Workbench::report(const authoring::Refusal& r, const std::string& file) {
    ask(Message{r.number, r.message, Buttons::Ok, file, 0, r.key});
}

bool Workbench::question(int number) {
    return ask(Message{number, std::string(authoring::messageText(number)), Buttons::YesNo, "", 0, ""}) == Answer::Yes;
}

QMdiSubWindow* Workbench::addChild(QWidget* widget, Pane pane) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(widget);
    sub->setWindowTitle(widget->windowTitle());
    sub->setWindowIcon(drawnIcon(pane == Pane::Output ? cmd::kBuild : pane == Pane::Objects ? cmd::kNewObject
                                 : pane == Pane::Properties ? cmd::kFileAttributes : cmd::kNew));
    sub->installEventFilter(this);
    // Closing a child hides it; the commands that show it bring it back.
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    m_panes[sub] = pane;
    sub->show();
    return sub;
}

void Workbench::showChild(QWidget* widget) {
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (sub->widget() == widget) {
            sub->show();
            m_mdi->setActiveSubWindow(sub);
        }
}

OutputWindow& Workbench::output() {
    if (!m_output) {
        m_output = new OutputWindow;
        restoreChild(addChild(m_output, Pane::Output), Pane::Output);
    }
    return *m_output;
}

void Workbench::buildMenus() {
    std::map<Menu, QMenu*> menus;
    for (Menu m : {Menu::File, Menu::Edit, Menu::View, Menu::Project, Menu::Object, Menu::Window, Menu::Help})
        menus[m] = menuBar()->addMenu(QString::fromUtf8(std::string(menuCaption(m)).c_str()));
    m_fileMenu = menus[Menu::File];
    for (const Command& c : commands()) {
        QMenu* menu = menus[c.menu];
        if (c.id == cmd::kExit || c.id == cmd::kFileAttributes || c.id == cmd::kEncrypt || c.id == cmd::kCut ||
            c.id == cmd::kSelectAll || c.id == cmd::kFullDetails || c.id == cmd::kProjectEdit ||
            c.id == cmd::kBuild || c.id == cmd::kTest || c.id == cmd::kScriptHelp || c.id == cmd::kAbout ||
            c.id == cmd::kNewObject)
            menu->addSeparator();
        if (c.id == cmd::kExit)
            m_recentAnchor = menu->addSeparator();
        QAction* a = menu->addAction(QString::fromUtf8(std::string(c.caption).c_str()));
        if (!c.shortcut.empty())
            a->setShortcut(QKeySequence(QString::fromUtf8(std::string(c.shortcut).c_str())));
        a->setStatusTip(QString::fromUtf8(std::string(c.prompt).c_str()));
        a->setIcon(drawnIcon(c.id));
        const int id = c.id;
        if (id == cmd::kToolbar || id == cmd::kStatusBar || id == cmd::kFullDetails || id == cmd::kDescriptions) {
            a->setCheckable(true);
        }
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
        connect(a, &QAction::hovered, this, [this, a] { statusBar()->showMessage(a->statusTip()); });
        m_actions[id] = a;
    }
    m_actions[cmd::kToolbar]->setChecked(true);
    m_actions[cmd::kStatusBar]->setChecked(true);
    m_actions[cmd::kFullDetails]->setChecked(m_settings.fullDetails());
    m_actions[cmd::kDescriptions]->setChecked(m_settings.descriptions());
    m_toolbar = addToolBar("Toolbar");
    m_toolbar->setIconSize(QSize(16, 16));
    for (int id : {cmd::kNew, cmd::kOpen, cmd::kSave, 0, cmd::kCut, cmd::kCopy, cmd::kPaste, 0, cmd::kFileAttributes,
                   cmd::kBuild, cmd::kTest}) {
        if (id == 0)
            m_toolbar->addSeparator();
        else
            m_toolbar->addAction(m_actions[id]);
    }
    // The status bar shows a highlighted item's prompt, then the status again.
    for (auto& [m, menu] : menus)
        connect(menu, &QMenu::aboutToHide, this, [this] {
            statusBar()->clearMessage();
            m_pane0->setText(m_status);
        });
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            m_pane0->setText(m_status);
    });
    rebuildRecent();
}

void Workbench::rebuildRecent() {
    if (!m_fileMenu || !m_recentAnchor)
        return;
    for (QAction* a : m_recentActions) {
        m_fileMenu->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    QAction* exit = m_actions.count(cmd::kExit) ? m_actions[cmd::kExit] : nullptr;
    for (const RecentList::MenuEntry& e : m_recent->menu()) {
        auto* a = new QAction(fromAnsi(e.caption), this);
        a->setStatusTip(RecentList::kPrompt);
        const int id = e.command;
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
        connect(a, &QAction::hovered, this, [this, a] { statusBar()->showMessage(a->statusTip()); });
        m_fileMenu->insertAction(exit ? exit : nullptr, a);
        m_recentActions.push_back(a);
    }
    if (!m_recentActions.empty() && exit) {
        auto* sep = new QAction(this);
        sep->setSeparator(true);
        m_fileMenu->insertAction(exit, sep);
        m_recentActions.push_back(sep);
    }
}

QAction* Workbench::action(int command) const {
    auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

bool Workbench::enabled(int command) const {
    const bool open = m_project->isOpen();
    const bool busy = m_worker.joinable();
    switch (command) {
    case cmd::kStopBuild: return busy;
    case cmd::kNew: case cmd::kOpen: case cmd::kExit: case cmd::kToolbar: case cmd::kStatusBar:
    case cmd::kFullDetails: case cmd::kDescriptions: case cmd::kCascade: case cmd::kTile: case cmd::kArrangeIcons:
    case cmd::kScriptHelp: case cmd::kAbout:
        return !busy || command == cmd::kToolbar || command == cmd::kStatusBar || command == cmd::kAbout;
    case cmd::kPaste: return open && !busy && m_clipboard->usable();
    default: return open && !busy;
    }
}

void Workbench::updateActions() {
    for (auto& [id, a] : m_actions)
        a->setEnabled(enabled(id));
    for (QAction* a : m_recentActions)
        a->setEnabled(!m_worker.joinable());
}

QString Workbench::statusText() const { return m_status; }

void Workbench::status(std::string_view text) {
    m_status = fromAnsi(std::string(text));
    if (m_pane0) {
        statusBar()->clearMessage();
        m_pane0->setText(m_status);
    }
}

void Workbench::log(std::string_view line) {
    OutputWindow& out = output();
    if (out.parentWidget() && out.parentWidget()->isHidden())
        showChild(&out);
    out.addLine(fromAnsi(std::string(line)));
}

void Workbench::refresh() {
    const auto& p = m_project->data();
    setWindowTitle(QString("%1 - %2").arg(kTitle, m_project->isOpen() ? fromAnsi(p.title) : QString("[Untitled]")));
    if (!m_worker.joinable()) {
        m_files->refresh();
        m_objects->refresh();
        m_props->refresh();
    }
    updateActions();
}

bool Workbench::openProject(const std::string& path) {
    const bool done = m_project->open(path);
    if (done)
        showChild(m_files);
    if (!done) {
        (void)m_recent->remove(path);
        rebuildRecent();
    }
    m_editor->selectAll(false);
    m_editor->setCaret(0);
    refresh();
    return done;
}

void Workbench::newProject() {
    const std::string host = m_asking.saveAs("New Project", "Project Files (*.SPJ)");
    if (host.empty())
        return;
    auto path = authoring::authoringPath(host);
    if (!path) {
        ask(Message{0, "!Error: The name has characters the machine cannot hold.", Buttons::Ok, host, 0, ""});
        return;
    }
    if (m_project->newProject(*path, languageForCountry(CountryCode(m_machine)))) {
        (void)m_recent->add(*path);
        (void)m_settings.setLastProject(*path);
        rebuildRecent();
    }
    refresh();
}

void Workbench::openChosen() {
    auto chosen = m_asking.open("Open Project", "Project Files (*.SPJ *.spj)", false);
    if (chosen.empty())
        return;
    if (auto path = authoring::authoringPath(chosen.front()))
        openProject(*path);
}

void Workbench::saveAs() {
    const std::string host = m_asking.saveAs("Save Project As", "Project Files (*.SPJ)");
    if (host.empty())
        return;
    if (auto path = authoring::authoringPath(host))
        m_project->saveAs(*path);
    refresh();
}

void Workbench::startWork(std::function<void()> work) {
    if (m_worker.joinable())
        return;
    m_stop = false;
    m_progress->show();
    // The work has the project and the machine to itself until it ends.
    for (QWidget* w : std::initializer_list<QWidget*>{m_files, m_objects, m_props})
        w->setEnabled(false);
    m_worker = std::thread([this, work = std::move(work)] {
        work();
        QMetaObject::invokeMethod(this, [this] {
            if (m_worker.joinable())
                m_worker.join();
            m_progress->hide();
            for (QWidget* w : std::initializer_list<QWidget*>{m_files, m_objects, m_props})
                w->setEnabled(true);
            refresh();
        }, Qt::QueuedConnection);
    });
    updateActions();
}

// From the worker: the status and log reach the window on its own thread.
namespace {
class Forwarder : public Reporter {
public:
    explicit Forwarder(Workbench& wb) : m_wb(wb) {}
    void status(std::string_view text) override {
        QMetaObject::invokeMethod(&m_wb, [wb = &m_wb, t = std::string(text)] { wb->status(t); }, Qt::QueuedConnection);
    }
    void log(std::string_view line) override {
        QMetaObject::invokeMethod(&m_wb, [wb = &m_wb, t = std::string(line)] { wb->log(t); }, Qt::QueuedConnection);
    }
    using Reporter::status;

private:
    Workbench& m_wb;
};
} // namespace

void Workbench::startBuild(bool scriptOnly) {
    output(); // created on first use, on this thread
    if (!scriptOnly)
        m_output->addLine(fromAnsi(std::string(authoring::statusText(11002))));
    startWork([this, scriptOnly] {
        Forwarder report(*this);
        (void)buildProject(*m_project, m_store, report, &m_stop, scriptOnly);
    });
}

void Workbench::startTest(bool debug) {
    output();
    auto disks = defaultDiskSet(m_machine, m_project->data());
    if (!disks) {
        log("The project's folder is not on the host.");
        return;
    }
    TestRun run;
    run.disks = *disks;
    run.debug = debug;
    run.interpreter = m_options.interpreter;
    const authoring::ProjectData data = m_project->data();
    startWork([this, run, data] {
        Forwarder report(*this);
        std::string said;
        const Launch l = testProject(data, m_machine, run, said);
        if (!said.empty())
            report.log(said);
        if (l.refused)
            report.log(l.refused->message);
        else
            report.log("The test ended with exit status " + std::to_string(l.exitCode) + ".");
    });
}

void Workbench::preview(int object) {
    const auto& objects = m_project->data().objects;
    if (object < 0 || object >= static_cast<int>(objects.size()))
        return;
    const Launch l = runPreview(m_machine, m_settings, m_project->data(), objects[object], false);
    if (!l.script.empty())
        m_previewScripts.push_back(l.script);
    if (l.refused)
        report(*l.refused);
}

void Workbench::waitForWork() {
    while (m_worker.joinable()) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QApplication::processEvents();
}

void Workbench::run(int command) {
    if (!enabled(command) && !(command >= RecentList::kFirstCommand &&
                               command < RecentList::kFirstCommand + RecentList::kMaxCapacity))
        return;
    auto& p = m_project->data();
    switch (command) {
    case cmd::kNew: newProject(); return;
    case cmd::kOpen: openChosen(); return;
    case cmd::kSave:
        m_project->save();
        refresh();
        return;
    case cmd::kSaveAs: saveAs(); return;
    case cmd::kClose:
        m_project->close();
        refresh();
        return;
    case cmd::kExit: close(); return;
    case cmd::kFileAttributes:
        showChild(m_props);
        m_props->refresh();
        return;
    case cmd::kDelete: {
        if (m_editor->selection().empty())
            return;
        Message m{0, "?3Are you sure you wish to delete the\nselected file(s) from the project ?", Buttons::YesNo, "",
                  0, ""};
        if (ask(m) != Answer::Yes)
            return;
        status(11013);
        m_editor->deleteSelected();
        refresh();
        return;
    }
    case cmd::kMoveUp: m_editor->moveUp(); refresh(); return;
    case cmd::kMoveDown: m_editor->moveDown(); refresh(); return;
    case cmd::kCut: m_editor->cut(); refresh(); return;
    case cmd::kCopy: m_editor->copy(); return;
    case cmd::kPaste: {
        auto refused = m_editor->paste([this](const std::string& warning) {
            return ask(Message{0, warning, Buttons::OkCancel, "", 0, ""}) == Answer::Ok;
        });
        if (refused)
            report(*refused);
        refresh();
        return;
    }
    case cmd::kSelectAll: m_editor->selectAll(true); refresh(); return;
    case cmd::kUnselectAll: m_editor->selectAll(false); refresh(); return;
    case cmd::kToolbar: m_toolbar->setVisible(m_actions[cmd::kToolbar]->isChecked()); return;
    case cmd::kStatusBar: statusBar()->setVisible(m_actions[cmd::kStatusBar]->isChecked()); return;
    case cmd::kFullDetails:
        (void)m_settings.setFullDetails(m_actions[cmd::kFullDetails]->isChecked());
        refresh();
        return;
    case cmd::kDescriptions:
        (void)m_settings.setDescriptions(m_actions[cmd::kDescriptions]->isChecked());
        refresh();
        return;
    case cmd::kProjectEdit: {
        ProjectEditDialog d(*this);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kGroup: {
        GroupDialog d(*this);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kProjectAttributes: {
        KeysDialog d(*this, "Project Attributes",
                     {{"APPNAME", "&Application name:"}, {"COMPANY", "&Company:"}, {"DEFPATH", "&Default path:"},
                      {"LICENSEINI", "&INI file:"}, {"PROJATTRIBS", "&Switches (welcome, de-install, ask path, 0, exclusive):"}, {"DISKLABEL", "Disk &label:"},
                      {"SETUPFILE", "&Script file:"}, {"ENCRIPT", "&Encrypt script (0/1):"},
                      {"RESERVE", "&Reserved for the script (KB):"}, {"SPLITSIZE", "S&plit size (KB):"},
                      {"SPACEREQD", "E&xtra space required (KB):"}, {"COMMENTS", "C&omments:", true}});
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kDialogText: {
        std::vector<KeysDialog::Field> fields;
        for (const auto& t : authoring::kDialogTexts)
            if (!t.category.empty()) // ZRVUNI2 is unused
                fields.push_back({std::string(t.key), std::string(t.category) + " (" + std::string(t.key) + "):"});
        KeysDialog d(*this, "Dialog Text", fields);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kUserCode: {
        std::vector<KeysDialog::Field> fields;
        for (std::size_t i = 0; i < authoring::kUserCodeNames.size(); ++i)
            fields.push_back({"USERCODE" + std::to_string(i + 1), std::string(authoring::kUserCodeNames[i]) + ":", true});
        KeysDialog d(*this, "User Code", fields);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kDirectories: {
        ListDialog::Operations o;
        o.items = [](const authoring::ProjectData& d) { return d.directories; };
        o.add = [](authoring::ProjectData& d, const std::string& t) { return authoring::addDirectory(d, t); };
        o.change = [](authoring::ProjectData& d, int i, const std::string& t) {
            return authoring::modifyDirectory(d, i, t);
        };
        o.remove = [](authoring::ProjectData& d, int i) { return authoring::deleteDirectory(d, i); };
        o.move = [](authoring::ProjectData& d, int i, bool up) { return authoring::moveDirectory(d, i, up); };
        o.removeQuestion = 10035;
        ListDialog d(*this, "Directories", std::move(o));
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kInstallations: {
        ListDialog::Operations o;
        o.items = [](const authoring::ProjectData& d) { return d.options; };
        o.add = [](authoring::ProjectData& d, const std::string& t) { return authoring::addOption(d, t); };
        o.change = [](authoring::ProjectData& d, int i, const std::string& t) {
            return authoring::modifyOption(d, i, t);
        };
        o.remove = [](authoring::ProjectData& d, int i) { return authoring::deleteOption(d, i); };
        o.removeQuestion = 10011;
        ListDialog d(*this, "Installations", std::move(o));
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kBitmaps: {
        ListDialog::Operations o;
        o.items = [](const authoring::ProjectData& d) {
            std::vector<std::string> out;
            for (const auto& b : d.bitmaps)
                out.push_back(b.path);
            return out;
        };
        o.add = [](authoring::ProjectData& d, const std::string& t) { return authoring::addBitmap(d, t); };
        o.remove = [](authoring::ProjectData& d, int i) -> authoring::Check {
            d.bitmaps.erase(d.bitmaps.begin() + i);
            return std::nullopt;
        };
        o.pickFile = true;
        ListDialog d(*this, "Bitmaps", std::move(o));
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kBackdrop: {
        // The project's backdrops are offered; any name is taken (the build warns of one it lacks).
        std::vector<std::string> backdrops = {"(Default)"};
        for (const std::string& path : p.objects) {
            const auto h = authoring::readHeader(authoring::loadObject(m_machine, path));
            if (h.type == 1 && authoring::objectExists(m_machine, path))
                backdrops.push_back(h.name);
        }
        KeysDialog d(*this, "Backdrop Display",
                     {{"BACKDROPRES1", "Screen width &640:", false, backdrops},
                      {"BACKDROPRES2", "Screen width &720:", false, backdrops},
                      {"BACKDROPRES3", "Screen width &800:", false, backdrops},
                      {"BACKDROPRES4", "Screen width &1024:", false, backdrops},
                      {"BACKDROPRES5", "&Default:", false, backdrops}});
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kImportVb: {
        auto chosen = m_asking.open("Import VB Project", "VB3 Project Files (*.MAK *.mak);;VB4 Project Files (*.VBP *.vbp)",
                                    false);
        auto path = chosen.empty() ? std::nullopt : authoring::authoringPath(chosen.front());
        if (!path)
            return;
        status(11034);
        auto outcome = authoring::importVbProject(m_machine, p, *path, [this](const std::string& text) {
            return ask(Message{0, text, Buttons::OkCancel, "", 0, ""});
        });
        if (outcome.added > 0)
            m_project->markChanged();
        if (outcome.refusal)
            report(*outcome.refusal, *path);
        (void)authoring::dependencyCheck(p);
        status(outcome.completed ? 11035 : 11036);
        log(std::to_string(outcome.added) + " file(s) added from " + *path);
        refresh();
        return;
    }
    case cmd::kImportComponents: {
        const std::string list = m_store.getString("Install", "ImportList", "");
        if (list.empty()) {
            ask(Message{0, "!Error: No component list is set (setting Install ImportList).", Buttons::Ok, "", 0, ""});
            return;
        }
        ComponentsDialog d(*this, list);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kEncrypt: {
        EncryptDialog d(*this);
        m_asking.exec(d);
        return;
    }
    case cmd::kImportObject: {
        auto chosen = m_asking.open("Import Object", "Object Files (*.BKD *.DLG *.CUE);;All Files (*)", false);
        auto path = chosen.empty() ? std::nullopt : authoring::authoringPath(chosen.front());
        if (!path)
            return;
        if (auto r = authoring::importObject(m_machine, p, *path))
            report(*r, *path);
        else
            m_project->markChanged();
        refresh();
        return;
    }
    case cmd::kBuild: startBuild(false); return;
    case cmd::kStopBuild: m_stop = true; return;
    case cmd::kCreateScript: startBuild(true); return;
    case cmd::kTest: startTest(false); return;
    case cmd::kTestDebug: startTest(true); return;
    case cmd::kViewObjects: showChild(m_objects); return;
    case cmd::kNewObject:
    case cmd::kObjectProperties: {
        std::optional<std::size_t> slot;
        ObjectProperties o;
        if (command == cmd::kNewObject) {
            o = newObject(p);
        } else {
            const int i = m_objects->selectedObject();
            if (i < 0 || i >= static_cast<int>(p.objects.size()))
                return;
            slot = static_cast<std::size_t>(i);
            o = objectProperties(m_machine, p.objects[*slot]);
        }
        ObjectDialog d(*this, o, slot);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kObjectControls: {
        const int i = m_objects->selectedObject();
        if (i < 0 || i >= static_cast<int>(p.objects.size()))
            return;
        if (!authoring::objectExists(m_machine, p.objects[i])) {
            std::string text(authoring::messageText(10024));
            ReplaceAll(text, "%1", p.objects[i]);
            ask(Message{10024, text, Buttons::Ok, "", 0, ""});
            return;
        }
        ControlsDialog d(*this, p.objects[i]);
        m_asking.exec(d);
        refresh();
        return;
    }
    case cmd::kDeleteObject: {
        const int i = m_objects->selectedObject();
        if (i < 0 || i >= static_cast<int>(p.objects.size()))
            return;
        if (!question(10018))
            return;
        authoring::deleteObject(p, i, authoring::objectName(m_machine, p.objects[i]));
        m_project->markChanged();
        refresh();
        return;
    }
    case cmd::kCascade: m_mdi->cascadeSubWindows(); return;
    case cmd::kTile: m_mdi->tileSubWindows(); return;
    case cmd::kArrangeIcons: m_mdi->tileSubWindows(); return;
    case cmd::kScriptHelp:
    case cmd::kHelpSearch: {
        // Search: a word to look for, then the reference at its first place.
        QString word;
        if (command == cmd::kHelpSearch) {
            QDialog ask(this);
            ask.setWindowTitle("Search for Help On");
            auto* edit = new QLineEdit(&ask);
            auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
            connect(box, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
            connect(box, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
            auto* layout = new QVBoxLayout(&ask);
            layout->addWidget(new QLabel("Type a &word (a statement such as COPYFILE):", &ask));
            layout->addWidget(edit);
            layout->addWidget(box);
            if (m_asking.exec(ask) != QDialog::Accepted)
                return;
            word = edit->text().trimmed();
        }
        auto* viewer = new QTextBrowser;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle("Setup Script Help");
        QFile help(":/help/zrvx32.md");
        if (help.open(QIODevice::ReadOnly))
            viewer->setMarkdown(QString::fromUtf8(help.readAll()));
        viewer->resize(640, 480);
        if (!word.isEmpty() && !viewer->find(word))
            status("Not found in the help: " + toAnsi(word));
        viewer->show();
        m_helpViewer = viewer;
        return;
    }
    case cmd::kAbout:
        QMessageBox::about(this, "About", QString("%1\nzrva32 0.1.0\n\nMakes installation programs for Windows 95 "
                                                  "and NT applications.").arg(kTitle));
        return;
    default:
        break;
    }
    if (auto path = m_recent->pathOf(command)) {
        const std::string chosen = *path;
        openProject(chosen);
    }
}

void Workbench::restorePlacement() {
    m_restoring = true;
    std::vector<Rect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.push_back(fromQt(s->availableGeometry()));
    const Rect frameDefault{40, 40, 600, 880};
    const Placement frame = m_settings.placement(Pane::Frame, frameDefault);
    setGeometry(toQt(onScreen(frame.rect, frameDefault, screens)));
    if (frame.show == kShowMaximised)
        showMaximized();
    m_restoring = false;
}

// The children go where they were once the frame has its size: their
// defaults are parts of the frame's client area.
void Workbench::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_placedChildren)
        return;
    m_restoring = true; // the moves of the layout are not a person's
    layout()->activate();
    for (auto& [sub, pane] : m_panes)
        restoreChild(static_cast<QMdiSubWindow*>(sub), pane);
    m_restoring = false;
    m_placedChildren = true;
}

// A child where it was, else where a new one goes: files on the left, the
// objects and the property window on the right, the output below.
void Workbench::restoreChild(QMdiSubWindow* sub, Pane pane) {
    const bool was = m_restoring;
    m_restoring = true;
    const Rect client = fromQt(QRect(QPoint(0, 0), m_mdi->size()));
    const int w = std::max(200, client.right), h = std::max(200, client.bottom);
    Rect fallback;
    switch (pane) {
    case Pane::Files: fallback = Rect{0, 0, h * 2 / 3, w * 3 / 5}; break;
    case Pane::Objects: fallback = Rect{0, w * 3 / 5, h / 3, w}; break;
    case Pane::Properties: fallback = Rect{h / 3, w * 3 / 5, h * 2 / 3, w}; break;
    default: fallback = Rect{h * 2 / 3, 0, h, w}; break;
    }
    const Placement placed = m_settings.placement(pane);
    sub->setGeometry(toQt(onScreen(placed.rect, fallback, {client})));
    if (placed.show == kShowMaximised)
        sub->showMaximized();
    m_restoring = was;
}

void Workbench::recordPlacement(Pane pane, QWidget* window) {
    // Only what a person does once the windows are placed, and never a window going away.
    if (m_restoring || !m_placedChildren || !window->isVisible())
        return;
    const WindowState state = window->isMinimized()   ? WindowState::Minimised
                              : window->isMaximized() ? WindowState::Maximised
                                                      : WindowState::Normal;
    (void)m_settings.record(pane, fromQt(window->geometry()), state);
}

bool Workbench::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange) {
        auto it = m_panes.find(static_cast<QWidget*>(watched));
        if (it != m_panes.end())
            recordPlacement(it->second, it->first);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Workbench::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (isVisible())
        recordPlacement(Pane::Frame, this);
}

void Workbench::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible())
        recordPlacement(Pane::Frame, this);
}

void Workbench::closeEvent(QCloseEvent* event) {
    if (m_worker.joinable()) {
        m_stop = true;
        waitForWork();
    }
    if (m_project->isOpen() && !m_project->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

int runWorkbench(const WorkbenchOptions& options, std::string& error) {
    static int argc = 1;
    static char name[] = "zrva32";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    if (!QApplication::instance())
        app = std::make_unique<QApplication>(argc, argv);
    auto machine = authoring::openAuthoringMachine(options.machineDir, {{"ZRVX32.EXE", [&] {
        std::vector<std::string> words = options.interpreter;
        words.insert(words.end(), {"--machine", options.machineDir.string(), "--ui", "qt"});
        return hostCommandLine(words).value_or("");
    }()}});
    if (!machine) {
        error = machine.error().describe();
        return 1;
    }
    authoring::SettingsStore store(**machine);
    const std::string backdrop = WorkbenchSettings(store).defaultBackdrop();
    if (equalNoCase(backdrop, authoring::kDefaultBackdropPath))
        (void)authoring::ensureDefaultBackdrop(**machine, backdrop);
    Workbench wb(**machine, options);
    wb.show();
    return QApplication::exec();
}

} // namespace zrv::workbench::qt
