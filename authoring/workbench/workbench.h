// The authoring workbench on Qt: a multiple-document frame with the project's
// files, its objects, a property window and the output of builds. Every rule
// lives in the model (authoring/workbench/model); this folder shows and
// forwards, and is the only one of the authoring tool that sees Qt.
#pragma once

#include "authoring/project/document.h"
#include "authoring/project/settings.h"
#include "authoring/workbench/model/commands.h"
#include "authoring/workbench/model/filelist.h"
#include "authoring/workbench/model/report.h"
#include "authoring/workbench/model/settings.h"
#include "authoring/workbench/options.h"

#include <QMainWindow>
#include <QPointer>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QToolBar;

namespace zrv {
class Machine;
}

namespace zrv::workbench::qt {

class FilesWindow;
class OutputWindow;
class ObjectsWindow;
class PropertyWindow;

// What the workbench asks a person; tests answer instead.
struct Asking {
    // A message with its buttons; the answer.
    std::function<authoring::Answer(const authoring::Message&)> ask;
    // Host files to open or add (several when `many`); empty: cancelled.
    std::function<std::vector<std::string>(const std::string& title, const std::string& filter, bool many)> open;
    // A host file to save as; empty: cancelled.
    std::function<std::string(const std::string& title, const std::string& filter)> saveAs;
    // Runs a dialog modally; tests accept or inspect it instead.
    std::function<int(class QDialog&)> exec;
};

class Workbench : public QMainWindow, public Reporter {
public:
    Workbench(Machine& machine, WorkbenchOptions options, Asking asking = {});
    ~Workbench() override;

    // Runs a command of the table (or a recently used entry) as its menu item does.
    void run(int command);
    bool enabled(int command) const;
    // The action of a command, as the menus and the toolbar show it.
    QAction* action(int command) const;

    authoring::Project& project() { return *m_project; }
    FileListEditor& editor() { return *m_editor; }
    RecentList& recent() { return *m_recent; }
    WorkbenchSettings& settings() { return m_settings; }
    authoring::SettingsStore& store() { return m_store; }
    Machine& machine() { return m_machine; }
    const Asking& asking() const { return m_asking; }
    const WorkbenchOptions& options() const { return m_options; }
    FilesWindow* filesWindow() const { return m_files; }
    OutputWindow* outputWindow() const { return m_output; }
    ObjectsWindow* objectsWindow() const { return m_objects; }
    PropertyWindow* propertyWindow() const { return m_props; }
    QMdiArea* mdi() const { return m_mdi; }
    QString statusText() const;
    bool building() const { return m_worker.joinable(); }
    QWidget* helpViewer() const { return m_helpViewer; }
    // Waits for a build or test started from the workbench to end (tests).
    void waitForWork();

    // A refusal shown with its message (the file it is about, where given).
    void report(const authoring::Refusal& r, const std::string& file = {});
    // A question of the message table, asked with Yes and No; true for Yes.
    bool question(int number);
    // Starts the interpreter on the preview script of object `object` (0-based),
    // in a window of its own; a failure is shown.
    void preview(int object);
    // Opens a project file (a Windows path of the authoring machine).
    bool openProject(const std::string& path);
    // The files, objects and caption again after a change of the project.
    void refresh();

    // Reporter: pane 0 of the status bar, and the Output window.
    using Reporter::status;
    void status(std::string_view text) override;
    void log(std::string_view line) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void rebuildRecent();
    void updateActions();
    void restorePlacement();
    void restoreChild(QMdiSubWindow* sub, Pane pane);
    void recordPlacement(Pane pane, QWidget* window);
    QMdiSubWindow* addChild(QWidget* widget, Pane pane);
    void showChild(QWidget* widget);
    OutputWindow& output();
    bool saveChanges(); // the question on close: false when cancelled
    void newProject();
    void openChosen();
    void saveAs();
    void startWork(std::function<void()> work);
    void startBuild(bool scriptOnly);
    void startTest(bool debug);
    authoring::Answer ask(const authoring::Message& m);

    Machine& m_machine;
    WorkbenchOptions m_options;
    Asking m_asking;
    authoring::SettingsStore m_store;
    WorkbenchSettings m_settings;
    std::unique_ptr<RecentList> m_recent;
    std::unique_ptr<authoring::Project> m_project;
    std::unique_ptr<FileClipboard> m_clipboard;
    std::unique_ptr<FileListEditor> m_editor;
    QMdiArea* m_mdi = nullptr;
    FilesWindow* m_files = nullptr;
    OutputWindow* m_output = nullptr;
    ObjectsWindow* m_objects = nullptr;
    PropertyWindow* m_props = nullptr;
    std::map<QWidget*, Pane> m_panes; // sub-windows whose placement is kept
    QLabel* m_pane0 = nullptr;
    QProgressBar* m_progress = nullptr;
    QToolBar* m_toolbar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentAnchor = nullptr;
    std::vector<QAction*> m_recentActions;
    std::map<int, QAction*> m_actions;
    std::vector<std::string> m_previewScripts;
    QString m_status;
    QPointer<QWidget> m_helpViewer; // the help shown last, for tests
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    bool m_restoring = false;
    bool m_placedChildren = false;
};

// Runs the workbench until it is closed; the exit status.
int runWorkbench(const WorkbenchOptions& options, std::string& error);

} // namespace zrv::workbench::qt
