// Renders every window and dialog of the workbench on the offscreen platform
// into a folder (scripts/screenshots-workbench puts them in
// docs/screenshots/workbench): the frame on a sample project, then each
// dialog as a person would open it.
#include "authoring/project/authoringmachine.h"
#include "authoring/project/objectfile.h"
#include "authoring/workbench/dialogs.h"
#include "authoring/workbench/windows.h"
#include "authoring/workbench/workbench.h"
#include "platform/machine/machine.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace zrv;
using namespace zrv::workbench;
using namespace zrv::workbench::qt;
namespace fs = std::filesystem;

namespace {

int g_shot = 0;
QString g_out;

void save(QWidget& w, const QString& name) {
    QApplication::processEvents();
    const QString file = QString("%1/%2-%3.png").arg(g_out).arg(++g_shot, 2, 10, QChar('0')).arg(name);
    if (!w.grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s MACHINE PROJECT.SPJ OUTDIR\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    g_out = argv[3];
    QDir().mkpath(g_out);
    auto machine = authoring::openAuthoringMachine(argv[1]);
    if (!machine) {
        std::fprintf(stderr, "%s\n", machine.error().describe().c_str());
        return 1;
    }
    (void)authoring::ensureDefaultBackdrop(**machine, authoring::kDefaultBackdropPath);
    Asking asking;
    std::function<void(QDialog&)> shoot;
    asking.exec = [&](QDialog& d) {
        d.show();
        if (shoot)
            shoot(d);
        d.reject();
        return d.result();
    };
    asking.ask = [](const authoring::Message&) { return authoring::Answer::Yes; };
    WorkbenchOptions o;
    o.machineDir = argv[1];
    o.commandLine = *authoring::authoringPath(argv[2]);
    Workbench wb(**machine, o, asking);
    wb.resize(960, 680);
    wb.show();
    wb.filesWindow()->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    wb.filesWindow()->item(2)->setSelected(true);
    save(wb, "workbench");
    wb.run(cmd::kFullDetails);
    wb.action(cmd::kFullDetails)->setChecked(true);
    wb.run(cmd::kFullDetails);
    save(wb, "full-details");
    wb.action(cmd::kFullDetails)->setChecked(false);
    wb.run(cmd::kFullDetails);

    // A menu open, with its prompt in the status bar.
    QMenu* project = nullptr;
    for (QAction* a : wb.menuBar()->actions())
        if (a->text() == "&Project")
            project = a->menu();
    if (project) {
        project->popup(wb.mapToGlobal(QPoint(200, 40)));
        wb.action(cmd::kBuild)->hover();
        QApplication::processEvents();
        QPixmap frame = wb.grab();
        QPainter p(&frame);
        p.drawPixmap(wb.menuBar()->actionGeometry(project->menuAction()).bottomLeft(), project->grab());
        p.end();
        frame.save(QString("%1/%2-menu-project.png").arg(g_out).arg(++g_shot, 2, 10, QChar('0')));
        project->hide();
    }

    shoot = [](QDialog& d) { save(d, "dialog-" + d.windowTitle().toLower().replace(' ', '-').replace('/', '-')); };
    for (int command : {cmd::kProjectEdit, cmd::kProjectAttributes, cmd::kDirectories, cmd::kInstallations,
                        cmd::kBitmaps, cmd::kBackdrop, cmd::kGroup, cmd::kDialogText, cmd::kUserCode, cmd::kEncrypt})
        wb.run(command);
    // The properties of each type of object.
    for (int type = 1; type <= 3; ++type) {
        shoot = [type](QDialog& d) {
            auto& od = dynamic_cast<ObjectDialog&>(d);
            od.typeBox()->setCurrentIndex(type - 1);
            static const char* const kNames[] = {"", "backdrop", "dialog", "cuecard"};
            save(d, QString("object-") + kNames[type]);
        };
        wb.run(cmd::kNewObject);
    }
    shoot = [](QDialog& d) { save(d, "object-controls"); };
    wb.objectsWindow()->setCurrentRow(0);
    wb.run(cmd::kObjectControls);
    shoot = nullptr;
    wb.run(cmd::kCreateScript);
    wb.waitForWork();
    wb.run(cmd::kTile);
    save(wb, "after-create-script");
    return 0;
}
