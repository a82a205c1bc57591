// The workbench's dialogs: object properties, Project / Edit, and the project
// keys (Attributes, Program Manager Group, Dialog Text, User Code) as forms
// over the project file's own keys. Layouts are ours; the rules are the
// model's, and a refusal keeps the dialog open with the focus on the field.
#pragma once

#include "authoring/project/objectfile.h"
#include "authoring/workbench/model/objects.h"

#include <QDialog>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QLabel;

namespace zrv::workbench::qt {

class Workbench;

class ObjectDialog : public QDialog {
public:
    ObjectDialog(Workbench& workbench, ObjectProperties object, std::optional<std::size_t> slot);
    // OK: accepted through the model's rules, or refused with the focus on the field.
    void accept() override;
    const ObjectProperties& object() const { return m_object; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* fileEdit() const { return m_file; }
    QComboBox* typeBox() const { return m_type; }
    QLineEdit* captionEdit() const { return m_caption; }

private:
    void showFields();
    Workbench& m_wb;
    ObjectProperties m_object;
    std::optional<std::size_t> m_slot;
    QLineEdit* m_file = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_type = nullptr;
    QComboBox* m_border = nullptr;
    QLineEdit* m_caption = nullptr;
    QComboBox* m_position = nullptr;
    QSpinBox* m_numbers[4] = {};
    std::vector<QWidget*> m_captionRow, m_placingRows, m_borderRow;
};

// Project / Edit: the project's files in order; Add picks host files (shown as
// the authoring machine's Z:\ paths), Remove, Up and Down order them; OK
// rebuilds the list as the model's edit does.
class ProjectEditDialog : public QDialog {
public:
    explicit ProjectEditDialog(Workbench& workbench);
    void accept() override;
    void add(const std::vector<std::string>& hostPaths);
    std::vector<std::string> names() const;
    QListWidget* list() const { return m_list; }

private:
    Workbench& m_wb;
    QListWidget* m_list = nullptr;
};

// A form of project keys as the project file writes them; OK applies them all
// or, at the first refusal, none (the field at fault gets the focus).
class KeysDialog : public QDialog {
public:
    struct Field {
        std::string key;
        std::string label;
        bool multiLine = false;           // CR LF line breaks, shown as lines
        std::vector<std::string> choices; // offered in a list; any text is taken
    };
    KeysDialog(Workbench& workbench, const QString& title, std::vector<Field> fields);
    void accept() override;
    QWidget* editor(const std::string& key) const;
    void setText(const std::string& key, const QString& text);

private:
    Workbench& m_wb;
    std::vector<Field> m_fields;
    std::map<std::string, QWidget*> m_editors;
};

// A list of the project kept in order (directories, optional installations,
// bitmaps): Add, Change, Delete, Up and Down through the model's operations on
// a copy of the project, which OK puts in place; a refusal shows and changes
// nothing.
class ListDialog : public QDialog {
public:
    struct Operations {
        std::function<std::vector<std::string>(const authoring::ProjectData&)> items;
        std::function<authoring::Check(authoring::ProjectData&, const std::string&)> add;
        std::function<authoring::Check(authoring::ProjectData&, int, const std::string&)> change; // unset: none
        std::function<authoring::Check(authoring::ProjectData&, int)> remove;
        std::function<authoring::Check(authoring::ProjectData&, int, bool up)> move; // unset: none
        int removeQuestion = 0; // a message asked before Delete, 0 for none
        bool pickFile = false;  // Add picks a host file rather than taking the text
    };
    ListDialog(Workbench& workbench, const QString& title, Operations operations);
    void accept() override;
    // What the buttons do, for the person and for tests.
    bool add(const std::string& text);
    bool change(int row, const std::string& text);
    bool remove(int row);
    bool move(int row, bool up);
    QListWidget* list() const { return m_list; }
    QLineEdit* text() const { return m_text; }

private:
    bool done(const authoring::Check& c, int row);
    Workbench& m_wb;
    Operations m_ops;
    authoring::ProjectData m_data;
    QListWidget* m_list = nullptr;
    QLineEdit* m_text = nullptr;
};

// Program Manager Group: no group, a new group or an existing group file;
// whether the person is asked, and the group file unprotected and protected
// around the install; the caption or the file's name.
class GroupDialog : public QDialog {
public:
    explicit GroupDialog(Workbench& workbench);
    void accept() override;
    void choose(int choice); // 0 no group, 1 make group, 2 existing group file
    void setAsk(bool on);
    QLineEdit* caption() const { return m_caption; }

private:
    Workbench& m_wb;
    QRadioButton* m_choice[3] = {};
    QCheckBox* m_checks[3] = {};
    QLineEdit* m_caption = nullptr;
};

// Import 3rd Party Components: the components of the list file, ticked to
// import with the ones they use.
class ComponentsDialog : public QDialog {
public:
    ComponentsDialog(Workbench& workbench, std::string listFile);
    void accept() override;
    QListWidget* list() const { return m_list; }

private:
    Workbench& m_wb;
    std::string m_listFile;
    QListWidget* m_list = nullptr;
};

// Encrypt/Un-encrypt Script: a script file converted in place.
class EncryptDialog : public QDialog {
public:
    explicit EncryptDialog(Workbench& workbench);
    void accept() override;
    QLineEdit* file() const { return m_file; }
    void setEncrypt(bool on);

private:
    Workbench& m_wb;
    QLineEdit* m_file = nullptr;
    QRadioButton* m_encrypt = nullptr;
    QRadioButton* m_decrypt = nullptr;
};

// Object / Object Controls: an object's controls in order, each edited in a
// form of its fields; OK writes the object file's control list whole.
class ControlsDialog : public QDialog {
public:
    ControlsDialog(Workbench& workbench, std::string objectPath);
    void accept() override;
    bool add();
    bool remove(int row);
    bool move(int row, bool up);
    // The control the form edits.
    authoring::ControlRecord* current();
    void setCaption(const QString& caption);
    QListWidget* list() const { return m_list; }

private:
    void fill();        // the list from the controls
    void showControl(); // the form from the current control
    void takeForm();    // the current control from the form
    Workbench& m_wb;
    std::string m_path;
    IniDocument m_doc;
    authoring::ObjectHeader m_header;
    std::vector<authoring::ControlRecord> m_controls;
    QListWidget* m_list = nullptr;
    QComboBox* m_type = nullptr;
    QLineEdit* m_caption = nullptr;
    QLineEdit* m_font = nullptr;
    QLineEdit* m_variable = nullptr;
    QLineEdit* m_picture = nullptr; // icon or bitmap
    QSpinBox* m_numbers[6] = {};    // x, y, width, height, font size, colour
    bool m_showing = false;
};

// The project's current value of a key, as its file writes it.
std::string projectKey(const std::string& fileText, const std::string& key);

} // namespace zrv::workbench::qt
