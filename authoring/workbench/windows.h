// The workbench's four child windows: the project's files, the output of
// builds, the project's objects, and the property window of the caret file.
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace zrv::workbench::qt {

class Workbench;

// The file-list lines of the model in a fixed-pitch font, several selections
// and a caret kept in place across refreshes. Enter opens the property
// window; Delete deletes. Host files dropped on it are added as Project /
// Edit adds them.
class FilesWindow : public QListWidget {
public:
    explicit FilesWindow(Workbench& workbench);
    // The lines again from the model: caret, selection and top line kept.
    void refresh();
    // Host files dropped: added to the end of the list.
    void addHostFiles(const std::vector<std::string>& hostPaths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void selectionToModel();
    Workbench& m_wb;
    bool m_filling = false;
};

// The log lines of builds, imports and encryption.
class OutputWindow : public QPlainTextEdit {
public:
    OutputWindow();
    void addLine(const QString& line);
    QStringList lines() const;
};

// The project's objects: name, type and file; Enter or a double click opens
// the object's properties.
class ObjectsWindow : public QListWidget {
public:
    explicit ObjectsWindow(Workbench& workbench);
    void refresh();
    // The selected object's slot, -1 when none.
    int selectedObject() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Workbench& m_wb;
};

// One property at a time for the caret file; Apply sets it on every selected
// file, with the project model's tie rules, and shows the result at once.
class PropertyWindow : public QWidget {
public:
    explicit PropertyWindow(Workbench& workbench);
    // The caret file's value of the chosen property again.
    void refresh();
    void choose(const std::string& field);
    // The value as the window would apply it.
    std::string value() const;
    void setValue(const std::string& value);
    bool apply();

private:
    std::string field() const;
    Workbench& m_wb;
    QLabel* m_file = nullptr;
    QComboBox* m_property = nullptr;
    QComboBox* m_value = nullptr; // editable for texts
    QPushButton* m_apply = nullptr;
};

} // namespace zrv::workbench::qt
