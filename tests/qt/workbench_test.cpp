// The workbench on the offscreen platform: its commands reach the model,
// prompts show on highlight, the file list keeps its place, placement and the
// recently used projects survive a restart, the object dialog refuses with
// the focus on the field, a build stops when told, and a project made in the
// workbench installs headless.
#include "authoring/project/authoringmachine.h"
#include "authoring/project/objectfile.h"
#include "authoring/workbench/dialogs.h"
#include "authoring/workbench/windows.h"
#include "authoring/workbench/workbench.h"
#include "platform/machine/machine.h"
#include "tests/support/process.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>

#include <array>
#include <filesystem>
#include <fstream>

using namespace zrv;
using namespace zrv::workbench;
using namespace zrv::workbench::qt;
using namespace zrv::testing;
using authoring::Answer;
using authoring::Message;
namespace fs = std::filesystem;

namespace {

// A workbench on a machine of its own, asking a script instead of a person.
struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<Machine> machine;
    std::vector<Message> asked;
    std::vector<Answer> answers;          // taken in turn; OK or Yes when they run out
    std::vector<std::string> toOpen;      // what the open dialog picks
    std::string toSaveAs;                 // what the save dialog names
    std::function<void(QDialog&)> dialog; // what the person does in a dialog (then OK)
    std::unique_ptr<Workbench> wb;

    Bench() { reopen(); }
    fs::path host(const std::string& name) const { return fs::path(dir.path().toStdString()) / name; }
    void reopen(const std::string& commandLine = "") {
        wb.reset();
        machine.reset();
        // Previews start the interpreter headless, writing what it showed.
        const std::string interpreter = std::string(ZRVX32_PATH) + " --machine \"" + host("machine").string() +
                                        "\" --ui headless --transcript \"" + host("preview.jsonl").string() + "\"";
        machine = std::move(authoring::openAuthoringMachine(host("machine"), {{"ZRVX32.EXE", interpreter}}).value());
        (void)authoring::ensureDefaultBackdrop(*machine, authoring::kDefaultBackdropPath);
        Asking a;
        a.ask = [this](const Message& m) {
            asked.push_back(m);
            if (answers.empty())
                return m.buttons == authoring::Buttons::Ok || m.buttons == authoring::Buttons::OkCancel ? Answer::Ok
                                                                                                          : Answer::Yes;
            Answer next = answers.front();
            answers.erase(answers.begin());
            return next;
        };
        a.open = [this](const std::string&, const std::string&, bool) { return toOpen; };
        a.saveAs = [this](const std::string&, const std::string&) { return toSaveAs; };
        a.exec = [this](QDialog& d) {
            if (dialog)
                dialog(d);
            else
                d.accept();
            return d.result();
        };
        WorkbenchOptions o;
        o.machineDir = host("machine");
        o.commandLine = commandLine;
        o.interpreter = {ZRVX32_PATH, "--ui", "headless"};
        wb = std::make_unique<Workbench>(*machine, o, a);
        wb->resize(900, 640);
        wb->show();
        QApplication::processEvents();
    }
    // A new project with `files` host files of a few bytes each.
    std::string newProject(int files) {
        toSaveAs = host("A.SPJ").string();
        wb->run(cmd::kNew);
        toOpen.clear();
        for (int i = 0; i < files; ++i) {
            const fs::path f = host("F" + std::to_string(i) + ".DAT");
            spit(f, "file " + std::to_string(i));
            toOpen.push_back(f.string());
        }
        add(toOpen);
        return *authoring::authoringPath(toSaveAs);
    }
    // Project / Edit with Add picking these host files, then OK.
    void add(const std::vector<std::string>& hostFiles) {
        dialog = [&](QDialog& d) {
            dynamic_cast<ProjectEditDialog&>(d).add(hostFiles);
            d.accept();
        };
        wb->run(cmd::kProjectEdit);
        dialog = nullptr;
    }
};

} // namespace

class WorkbenchWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menusComeFromTheCommandTableAndPromptOnHighlight() {
        Bench b;
        QAction* open = b.wb->action(cmd::kOpen);
        QVERIFY(open);
        QCOMPARE(open->text(), QString("&Open..."));
        QCOMPARE(open->shortcut(), QKeySequence("Ctrl+O"));
        open->hover();
        QCOMPARE(b.wb->statusBar()->currentMessage(), QString("Open an existing project file"));
        QCOMPARE(b.wb->windowTitle(), QString("Setup Workbench - [Untitled]"));
        // A first start lays the windows out over the frame: the files take most of it.
        for (QMdiSubWindow* sub : b.wb->mdi()->subWindowList())
            if (sub->widget() == b.wb->filesWindow())
                QVERIFY2(sub->width() > b.wb->mdi()->width() / 2 && sub->height() > b.wb->mdi()->height() / 2,
                         qPrintable(QString("%1x%2 in %3x%4").arg(sub->width()).arg(sub->height())
                                        .arg(b.wb->mdi()->width()).arg(b.wb->mdi()->height())));
        // Without a project, only what needs none is offered.
        QVERIFY(b.wb->action(cmd::kNew)->isEnabled());
        QVERIFY(!b.wb->action(cmd::kBuild)->isEnabled());
        QVERIFY(!b.wb->action(cmd::kStopBuild)->isEnabled());
    }

    void everyCommandIsInTheMenusAndOfferedWithAProject() {
        Bench b;
        b.newProject(1);
        QStringList notOffered;
        for (const Command& c : commands()) {
            QAction* a = b.wb->action(c.id);
            QVERIFY(a);
            QCOMPARE(a->text(), QString::fromUtf8(std::string(c.caption).c_str()));
            QCOMPARE(a->statusTip(), QString::fromUtf8(std::string(c.prompt).c_str()));
            QCOMPARE(a->isEnabled(), b.wb->enabled(c.id));
            if (!a->isEnabled())
                notOffered << a->text();
        }
        // Only Stop Build is not offered: nothing is building.
        QCOMPARE(notOffered, QStringList({"&Stop Build"}));
        // Help / Search shows the reference at the word asked for.
        b.dialog = [](QDialog& d) {
            d.findChild<QLineEdit*>()->setText("COPYFILE");
            d.accept();
        };
        b.wb->run(cmd::kHelpSearch);
        auto* help = qobject_cast<QTextBrowser*>(b.wb->helpViewer());
        QVERIFY(help);
        QCOMPARE(help->textCursor().selectedText(), QString("COPYFILE"));
        help->close();
    }

    void fileCommandsReachTheModel() {
        Bench b;
        b.toOpen.clear();
        const std::string path = b.newProject(4);
        QCOMPARE(b.wb->windowTitle(), QString("Setup Workbench - A.SPJ"));
        auto& files = b.wb->project().data().files;
        QCOMPARE(files.size(), std::size_t(4));
        QCOMPARE(b.wb->filesWindow()->count(), 4);
        b.wb->run(cmd::kSelectAll);
        QCOMPARE(b.wb->editor().selection().size(), std::size_t(4));
        b.wb->run(cmd::kUnselectAll);
        b.wb->filesWindow()->setCurrentRow(1);
        QCOMPARE(b.wb->editor().caret(), 1);
        b.wb->run(cmd::kMoveDown);
        QVERIFY(files[2].source.ends_with("F1.DAT"));
        // Delete asks; No keeps the file, Yes deletes it.
        b.wb->run(cmd::kUnselectAll);
        b.wb->filesWindow()->item(0)->setSelected(true);
        b.answers = {Answer::No};
        b.wb->run(cmd::kDelete);
        QCOMPARE(files.size(), std::size_t(4));
        b.wb->run(cmd::kDelete);
        QCOMPARE(files.size(), std::size_t(3));
        QVERIFY(b.asked.back().text.find("delete the\nselected file(s)") != std::string::npos);
        // Copy and paste: a file the project holds is a warning each, and stays once.
        b.wb->run(cmd::kSelectAll);
        b.wb->run(cmd::kCopy);
        const std::size_t before = b.asked.size();
        b.wb->run(cmd::kPaste);
        QCOMPARE(files.size(), std::size_t(3));
        QCOMPARE(b.asked.size(), before + 3);
        // Cut and paste: out, and back in after the caret line.
        b.wb->run(cmd::kUnselectAll);
        b.wb->filesWindow()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        const std::string first = files[0].source;
        QCOMPARE(b.wb->editor().selection(), std::vector<int>{0});
        b.wb->run(cmd::kCut);
        QCOMPARE(files.size(), std::size_t(2));
        b.wb->filesWindow()->setCurrentRow(1);
        b.wb->run(cmd::kPaste);
        QCOMPARE(files.size(), std::size_t(3));
        QCOMPARE(files[2].source, first);
        // The property window applies to every selected file, ties included.
        b.wb->run(cmd::kUnselectAll);
        b.wb->filesWindow()->item(0)->setSelected(true);
        b.wb->filesWindow()->item(1)->setSelected(true);
        PropertyWindow* props = b.wb->propertyWindow();
        props->choose("action");
        props->setValue("2");
        QVERIFY(props->apply());
        QCOMPARE(files[0].shared, 1);
        QCOMPARE(files[1].shared, 1);
        QCOMPARE(files[2].action, 0);
        // View toggles are settings.
        b.wb->action(cmd::kFullDetails)->trigger();
        QVERIFY(b.wb->settings().fullDetails());
        QVERIFY(b.wb->project().changed());
        b.wb->run(cmd::kSave);
        QVERIFY(!b.wb->project().changed());
        QVERIFY(fs::exists(b.host("A.SPJ")));
    }

    void aClosedChildWindowComesBack() {
        Bench b;
        b.newProject(2);
        for (QMdiSubWindow* sub : b.wb->mdi()->subWindowList())
            sub->close();
        QApplication::processEvents();
        b.wb->refresh(); // the windows are still there to fill
        QCOMPARE(b.wb->filesWindow()->count(), 2);
        b.wb->run(cmd::kViewObjects);
        QVERIFY(b.wb->objectsWindow()->parentWidget()->isVisible());
        b.wb->run(cmd::kFileAttributes);
        QVERIFY(b.wb->propertyWindow()->parentWidget()->isVisible());
        b.wb->log("a line");
        QVERIFY(b.wb->outputWindow()->parentWidget()->isVisible());
    }

    void theFileListKeepsCaretAndTopLineAcrossARefresh() {
        Bench b;
        b.newProject(120);
        FilesWindow* list = b.wb->filesWindow();
        list->setCurrentRow(80);
        list->verticalScrollBar()->setValue(40);
        const int top = list->verticalScrollBar()->value();
        b.wb->refresh();
        QCOMPARE(list->currentRow(), 80);
        QCOMPARE(list->verticalScrollBar()->value(), top);
        QCOMPARE(b.wb->editor().caret(), 80);
    }

    void placementAndRecentProjectsSurviveARestart() {
        Bench b;
        const std::string path = b.newProject(1);
        QMdiSubWindow* files = nullptr;
        for (QMdiSubWindow* sub : b.wb->mdi()->subWindowList())
            if (sub->widget() == b.wb->filesWindow())
                files = sub;
        QVERIFY(files);
        files->setGeometry(30, 20, 400, 200);
        QApplication::processEvents();
        // The next start opens the last project, with the window where it was.
        b.reopen();
        QCOMPARE(b.wb->project().data().path, path);
        for (QMdiSubWindow* sub : b.wb->mdi()->subWindowList())
            if (sub->widget() == b.wb->filesWindow())
                files = sub;
        QCOMPARE(files->geometry(), QRect(30, 20, 400, 200));
        // The File menu lists it as "&1 ..." with its command.
        QMenu* file = b.wb->menuBar()->actions().front()->menu();
        QStringList captions;
        for (QAction* a : file->actions())
            captions << a->text();
        QVERIFY2(captions.contains("&1 " + QString::fromStdString(path)), qPrintable(captions.join("|")));
        b.reopen("C:\\NOWHERE\\GONE.SPJ"); // a name that does not resolve opens nothing
        QVERIFY(!b.wb->project().isOpen());
        // Gone from the list, gone from the menu.
        (void)b.wb->recent().remove(path);
        b.reopen("C:\\NOWHERE\\GONE.SPJ");
        captions.clear();
        for (QAction* a : b.wb->menuBar()->actions().front()->menu()->actions())
            captions << a->text();
        QVERIFY2(!captions.join("|").contains("&1 "), qPrintable(captions.join("|")));
    }

    void theObjectDialogRefusesWithTheFocusOnTheField() {
        Bench b;
        b.newProject(0);
        bool checked = false;
        b.dialog = [&](QDialog& d) {
            auto& o = dynamic_cast<ObjectDialog&>(d);
            d.show();
            QApplication::setActiveWindow(&d);
            o.nameEdit()->setText("   ");
            o.accept();
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(o.nameEdit()));
            QCOMPARE(b.asked.back().number, 10015);
            // Only a dialog shows the caption.
            o.typeBox()->setCurrentIndex(0);
            QVERIFY(o.captionEdit()->isHidden());
            o.typeBox()->setCurrentIndex(1);
            QVERIFY(!o.captionEdit()->isHidden());
            o.nameEdit()->setText("Ask");
            o.accept();
            QCOMPARE(d.result(), int(QDialog::Accepted));
            checked = true;
        };
        b.wb->run(cmd::kNewObject);
        QVERIFY(checked);
        QCOMPARE(b.wb->project().data().objects.size(), std::size_t(2)); // the default backdrop and Ask
        QVERIFY(b.wb->project().data().objects.back().ends_with(".DLG"));
        QCOMPARE(b.wb->objectsWindow()->count(), 2);
    }

    void listsAndScriptsGoThroughTheModel() {
        Bench b;
        b.newProject(0);
        b.dialog = [&](QDialog& d) {
            auto& list = dynamic_cast<ListDialog&>(d);
            QCOMPARE(list.list()->count(), 1); // the main installation directory
            QVERIFY(list.add("%InstallPath%\\DATA"));
            QVERIFY(!list.add("%InstallPath%\\DATA")); // refused: there already
            QVERIFY(!list.remove(0));                    // the main directory stays
            QVERIFY(list.add("%InstallPath%\\HELP"));
            QVERIFY(list.move(2, true));
            QCOMPARE(list.list()->item(1)->text(), QString("%InstallPath%\\HELP"));
            b.answers = {Answer::No};
            QVERIFY(!list.remove(2)); // asked, and No
            QCOMPARE(list.list()->count(), 3);
            d.accept();
        };
        b.wb->run(cmd::kDirectories);
        QCOMPARE(b.wb->project().data().directories,
                 (std::vector<std::string>{"%InstallPath%", "%InstallPath%\\HELP", "%InstallPath%\\DATA"}));
        // Cancel keeps the project as it was.
        b.dialog = [](QDialog& d) {
            QVERIFY(dynamic_cast<ListDialog&>(d).add("%InstallPath%\\MORE"));
            d.reject();
        };
        b.wb->run(cmd::kDirectories);
        QCOMPARE(b.wb->project().data().directories.size(), std::size_t(3));
        // The group: one of three choices, three switches, the caption.
        b.dialog = [](QDialog& d) {
            auto& g = dynamic_cast<GroupDialog&>(d);
            g.choose(2);
            g.setAsk(false);
            g.caption()->setText("ACME");
            d.accept();
        };
        b.wb->run(cmd::kGroup);
        QCOMPARE(b.wb->project().data().group, (std::array<int, 6>{0, 0, 1, 0, 0, 0}));
        QCOMPARE(b.wb->project().data().groupCaption, std::string("ACME"));
        // A script encrypted and back, in place.
        spit(b.host("S.SCR"), "SET %A% = 1\r\n");
        const std::string script = *authoring::authoringPath(b.host("S.SCR").string());
        for (bool encrypt : {true, false}) {
            b.dialog = [&](QDialog& d) {
                auto& e = dynamic_cast<EncryptDialog&>(d);
                e.file()->setText(QString::fromStdString(script));
                e.setEncrypt(encrypt);
                d.accept();
            };
            b.wb->run(cmd::kEncrypt);
            QCOMPARE(slurp(b.host("S.SCR")) == "SET %A% = 1\r\n", !encrypt);
        }
        b.dialog = nullptr;
    }

    void objectControlsAndPreview() {
        Bench b;
        b.newProject(0);
        b.wb->objectsWindow()->setCurrentRow(0); // the default backdrop
        b.dialog = [&](QDialog& d) {
            auto& c = dynamic_cast<ControlsDialog&>(d);
            const int before = c.list()->count();
            QVERIFY(c.add());
            c.setCaption("Made in the dialog");
            QVERIFY(c.list()->currentItem()->text().contains("Made in the dialog"));
            QVERIFY(c.move(before, true));
            b.answers = {Answer::No};
            QVERIFY(!c.remove(0));
            d.accept();
        };
        b.wb->run(cmd::kObjectControls);
        const IniDocument doc = authoring::loadObject(*b.machine, authoring::kDefaultBackdropPath);
        const auto controls = authoring::readControls(doc);
        QVERIFY(controls.size() >= 2);
        QCOMPARE(controls[controls.size() - 2].caption, std::string("Made in the dialog"));
        // 99 controls at most.
        b.dialog = [&](QDialog& d) {
            auto& c = dynamic_cast<ControlsDialog&>(d);
            while (c.list()->count() < authoring::kMaxControls)
                QVERIFY(c.add());
            QVERIFY(!c.add());
            QCOMPARE(b.asked.back().number, 10019);
            d.reject();
        };
        b.wb->run(cmd::kObjectControls);
        QCOMPARE(authoring::readControls(authoring::loadObject(*b.machine, authoring::kDefaultBackdropPath)).size(),
                 controls.size());
        b.dialog = nullptr;
        // Preview: the interpreter shows the backdrop and the closing box, on its own.
        b.wb->preview(0);
        QTRY_VERIFY_WITH_TIMEOUT(slurp(b.host("preview.jsonl")).find("Object Preview Complete!") != std::string::npos,
                                 20000);
        // Its script (and the file clipboard) go with the workbench.
        QVERIFY(!fs::is_empty(b.host("machine/drive_c/WINDOWS/TEMP")));
        b.wb.reset();
        QVERIFY(fs::is_empty(b.host("machine/drive_c/WINDOWS/TEMP")));
    }

    void badInputIsShownAndStopsNothing() {
        Bench b;
        // A project that cannot be opened: the message, and the workbench stays empty.
        spit(b.host("BAD.SPJ"), "this is no project\r\n");
        b.toOpen = {b.host("BAD.SPJ").string()};
        b.wb->run(cmd::kOpen);
        QVERIFY(!b.wb->project().isOpen());
        QVERIFY(!b.asked.empty());
        QCOMPARE(b.asked.back().number, 10002);
        QCOMPARE(b.wb->filesWindow()->count(), 0);
        // A source that is gone: "<Not Found>" in the list, and a build that fails says why.
        b.newProject(2);
        fs::remove(b.host("F1.DAT"));
        b.wb->action(cmd::kFullDetails)->setChecked(true);
        b.wb->run(cmd::kFullDetails);
        QVERIFY(b.wb->filesWindow()->item(1)->text().contains("<Not Found>"));
        QVERIFY(!b.wb->filesWindow()->item(0)->text().contains("<Not Found>"));
        b.wb->run(cmd::kBuild);
        b.wb->waitForWork();
        QCOMPARE(b.wb->statusText(), QString("An error occured during the build process"));
        QVERIFY2(b.wb->outputWindow()->lines().join("\n").contains("F1.DAT"),
                 qPrintable(b.wb->outputWindow()->lines().join("\n")));
        QVERIFY(!fs::exists(b.host("DISKS")));
        // Host files dropped on the list join it.
        spit(b.host("DROPPED.TXT"), "dropped");
        b.wb->filesWindow()->addHostFiles({b.host("DROPPED.TXT").string()});
        QCOMPARE(b.wb->project().data().files.size(), std::size_t(3));
        QVERIFY(b.wb->project().data().files.back().source.ends_with("DROPPED.TXT"));
        // A value the model refuses is refused in the dialog: nothing changes.
        const std::string before = b.wb->project().data().diskLabel;
        b.dialog = [&](QDialog& d) {
            auto& keys = dynamic_cast<KeysDialog&>(d);
            keys.setText("APPNAME", "Changed");
            keys.setText("DISKLABEL", QString(300, 'X'));
            d.accept();
            QCOMPARE(d.result(), int(QDialog::Rejected));
            d.reject();
        };
        b.wb->run(cmd::kProjectAttributes);
        QCOMPARE(b.wb->project().data().diskLabel, before);
        QVERIFY(b.wb->project().data().appName != "Changed");
    }

    void aBuildCanBeStopped() {
        Bench b;
        b.newProject(0);
        // Enough to compress that the stop comes first.
        std::string big(48 << 20, '\0');
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>((i * 2654435761u) >> 13);
        spit(b.host("BIG.BIN"), big);
        b.add({b.host("BIG.BIN").string()});
        b.wb->run(cmd::kBuild);
        QVERIFY(b.wb->building());
        QVERIFY(b.wb->action(cmd::kStopBuild)->isEnabled());
        b.wb->run(cmd::kStopBuild);
        b.wb->waitForWork();
        QCOMPARE(b.wb->statusText(), QString("Project build process cancelled"));
        QVERIFY(!fs::exists(b.host("DISKS")));
        QVERIFY(b.wb->outputWindow());
        QCOMPARE(b.wb->outputWindow()->lines().front(), QString("Building project..."));
    }

    void aProjectMadeInTheWorkbenchInstalls() {
        Bench b;
        b.newProject(2);
        b.dialog = [](QDialog& d) {
            auto& keys = dynamic_cast<KeysDialog&>(d);
            keys.setText("APPNAME", "Made Here");
            keys.setText("DEFPATH", "C:\\MADE");
            d.accept();
        };
        b.wb->run(cmd::kProjectAttributes);
        b.dialog = nullptr;
        QCOMPARE(b.wb->project().data().appName, std::string("Made Here"));
        b.wb->run(cmd::kCreateScript);
        b.wb->waitForWork();
        QVERIFY(fs::exists(b.host("SETUP.SCR")));
        b.wb->run(cmd::kBuild);
        b.wb->waitForWork();
        QCOMPARE(b.wb->statusText(), QString("Project build complete"));
        QVERIFY(fs::exists(b.host("DISKS/DISK1/SETUP.EXE")));
        // Installed headless by the interpreter, as a person would after the build.
        const std::string target = b.host("target").string();
        Outcome r = runCommand(std::string(ZRVX32_PATH) + " --machine '" + target + "' --ui headless -q install '" +
                                   b.host("DISKS").string() + "' >/dev/null",
                               false);
        QCOMPARE(r.status, 0);
        QCOMPARE(slurp(b.host("target/drive_c/MADE/F1.DAT")), std::string("file 1"));
        // Project / Test runs the same in a scratch machine of its own.
        b.wb->run(cmd::kTest);
        b.wb->waitForWork();
        QVERIFY2(b.wb->outputWindow()->lines().back() == "The test ended with exit status 0.",
                 qPrintable(b.wb->outputWindow()->lines().join("\n")));
    }
};

QTEST_MAIN(WorkbenchWindows)
#include "workbench_test.moc"
