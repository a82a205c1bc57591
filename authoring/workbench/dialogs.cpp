#include "authoring/workbench/dialogs.h"

#include "authoring/project/authoringmachine.h"
#include "authoring/project/encryption.h"
#include "authoring/project/imports.h"
#include "authoring/project/projectfile.h"
#include "authoring/project/texts.h"
#include "authoring/workbench/workbench.h"
#include "common/text.h"
#include "interpreter/ui/qt/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>

namespace zrv::workbench::qt {

using zrv::ui::qt::fromAnsi;
using zrv::ui::qt::toAnsi;

namespace {

QDialogButtonBox* okCancel(QDialog* d) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

// The buttons beside a list, top to bottom.
QVBoxLayout* buttonColumn(std::initializer_list<QPushButton*> buttons) {
    auto* column = new QVBoxLayout;
    for (QPushButton* b : buttons)
        column->addWidget(b);
    column->addStretch(1);
    return column;
}

// A dialog's edited copy of the project put in place, the project marked
// changed only when something did change.
void commit(Workbench& wb, authoring::ProjectData data) {
    if (data == wb.project().data())
        return;
    wb.project().data() = std::move(data);
    wb.project().markChanged();
}

} // namespace

// ---------------------------------------------------------------------------

ObjectDialog::ObjectDialog(Workbench& workbench, ObjectProperties object, std::optional<std::size_t> slot)
    : m_wb(workbench), m_object(std::move(object)), m_slot(slot) {
    setWindowTitle("Object Properties");
    ui::qt::dialogLook(this);
    auto* form = new QFormLayout;
    auto row = [&](const char* label, QWidget* w) {
        auto* l = new QLabel(label, this);
        l->setBuddy(w);
        form->addRow(l, w);
        return std::vector<QWidget*>{l, w};
    };
    m_file = new QLineEdit(fromAnsi(m_object.path), this);
    m_file->setMaxLength(255);
    m_name = new QLineEdit(fromAnsi(m_object.header.name), this);
    m_name->setMaxLength(40);
    m_type = new QComboBox(this);
    m_type->addItems({"Backdrop", "Dialog", "CueCard"});
    m_type->setCurrentIndex(std::clamp(m_object.header.type, 1, 3) - 1);
    m_border = new QComboBox(this);
    m_border->addItems({"None", "Black Line", "3d Sunken", "3d Bevel"});
    m_border->setCurrentIndex(std::clamp(m_object.header.border, 0, 3));
    m_caption = new QLineEdit(fromAnsi(m_object.header.caption), this);
    m_caption->setMaxLength(128);
    m_position = new QComboBox(this);
    m_position->addItems({"(None)", "Centre Horizontally", "Centre Vertically", "Centre Both"});
    m_position->setCurrentIndex(std::clamp(m_object.header.position, 0, 3));
    const int values[4] = {m_object.header.x, m_object.header.y, m_object.header.width, m_object.header.height};
    for (int i = 0; i < 4; ++i) {
        m_numbers[i] = new QSpinBox(this);
        m_numbers[i]->setRange(INT_MIN, INT_MAX);
        m_numbers[i]->setValue(values[i]);
    }
    row("Object &file:", m_file);
    row("Object &name:", m_name);
    row("&Type:", m_type);
    m_captionRow = row("Default &caption:", m_caption);
    m_borderRow = row("&Border:", m_border);
    for (QWidget* w : row("&Position:", m_position))
        m_placingRows.push_back(w);
    const char* labels[4] = {"&X:", "&Y:", "&Width:", "&Height:"};
    for (int i = 0; i < 4; ++i)
        for (QWidget* w : row(labels[i], m_numbers[i]))
            m_placingRows.push_back(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    connect(m_type, &QComboBox::currentIndexChanged, this, [this] { showFields(); });
    setMinimumWidth(440);
    showFields();
}

void ObjectDialog::showFields() {
    const Fields f = fieldsFor(m_type->currentIndex() + 1);
    for (QWidget* w : m_captionRow)
        w->setVisible(f.caption);
    for (QWidget* w : m_placingRows)
        w->setVisible(f.placing);
    for (QWidget* w : m_borderRow)
        w->setVisible(f.border);
    adjustSize();
}

void ObjectDialog::accept() {
    ObjectProperties o = m_object;
    o.path = toAnsi(m_file->text());
    o.header.name = toAnsi(m_name->text());
    o.header.type = m_type->currentIndex() + 1;
    o.header.border = m_border->currentIndex();
    o.header.caption = toAnsi(m_caption->text());
    o.header.position = m_position->currentIndex();
    o.header.x = m_numbers[0]->value();
    o.header.y = m_numbers[1]->value();
    o.header.width = m_numbers[2]->value();
    o.header.height = m_numbers[3]->value();
    if (auto refused = acceptObject(m_wb.project(), o, m_slot)) {
        m_wb.report(*refused);
        QLineEdit* at = refused->key == "FILE" ? m_file : m_name;
        at->setFocus();
        at->selectAll();
        return;
    }
    m_object = o;
    m_file->setText(fromAnsi(o.path)); // with its type's extension
    QDialog::accept();
}

// ---------------------------------------------------------------------------

ProjectEditDialog::ProjectEditDialog(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("Project Files");
    ui::qt::dialogLook(this);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const auto& e : m_wb.project().data().files)
        m_list->addItem(fromAnsi(e.source));
    auto* add = new QPushButton("&Add...", this);
    auto* remove = new QPushButton("&Remove", this);
    auto* up = new QPushButton("Move &Up", this);
    auto* down = new QPushButton("Move Do&wn", this);
    auto* buttons = buttonColumn({add, remove, up, down});
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okCancel(this));
    resize(560, 360);
    connect(add, &QPushButton::clicked, this, [this] {
        this->add(m_wb.asking().open("Add Files to the Project", "All Files (*)", true));
    });
    connect(remove, &QPushButton::clicked, this, [this] { qDeleteAll(m_list->selectedItems()); });
    auto move = [this](int by) {
        const int row = m_list->currentRow();
        if (row < 0 || row + by < 0 || row + by >= m_list->count())
            return;
        QListWidgetItem* item = m_list->takeItem(row);
        m_list->insertItem(row + by, item);
        m_list->setCurrentRow(row + by);
    };
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
}

void ProjectEditDialog::add(const std::vector<std::string>& hostPaths) {
    for (const std::string& h : hostPaths)
        if (auto w = authoring::authoringPath(h))
            m_list->addItem(fromAnsi(*w));
}

std::vector<std::string> ProjectEditDialog::names() const {
    std::vector<std::string> out;
    for (int i = 0; i < m_list->count(); ++i)
        out.push_back(toAnsi(m_list->item(i)->text()));
    return out;
}

void ProjectEditDialog::accept() {
    if (m_list->count() > authoring::kMaxFiles) {
        m_wb.report(authoring::refusal(10004));
        return;
    }
    m_wb.editor().edit(names());
    QDialog::accept();
}

// ---------------------------------------------------------------------------

ListDialog::ListDialog(Workbench& workbench, const QString& title, Operations operations)
    : m_wb(workbench), m_ops(std::move(operations)), m_data(workbench.project().data()) {
    setWindowTitle(title);
    ui::qt::dialogLook(this);
    m_list = new QListWidget(this);
    m_text = new QLineEdit(this);
    auto* add = new QPushButton(m_ops.pickFile ? "&Add..." : "&Add", this);
    auto* change = new QPushButton("C&hange", this);
    auto* remove = new QPushButton("&Delete", this);
    auto* up = new QPushButton("Move &Up", this);
    auto* down = new QPushButton("Move Do&wn", this);
    change->setVisible(bool(m_ops.change));
    up->setVisible(bool(m_ops.move));
    down->setVisible(bool(m_ops.move));
    m_text->setVisible(!m_ops.pickFile);
    auto* buttons = buttonColumn({add, change, remove, up, down});
    auto* left = new QVBoxLayout;
    left->addWidget(m_list, 1);
    left->addWidget(m_text);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okCancel(this));
    resize(520, 320);
    for (const std::string& item : m_ops.items(m_data))
        m_list->addItem(fromAnsi(item));
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_text->setText(m_list->item(row)->text());
    });
    connect(add, &QPushButton::clicked, this, [this] {
        if (!m_ops.pickFile) {
            this->add(toAnsi(m_text->text()));
            return;
        }
        for (const std::string& host : m_wb.asking().open("Add", "All Files (*)", true))
            if (auto path = authoring::authoringPath(host))
                this->add(*path);
    });
    connect(change, &QPushButton::clicked, this, [this] { this->change(m_list->currentRow(), toAnsi(m_text->text())); });
    connect(remove, &QPushButton::clicked, this, [this] { this->remove(m_list->currentRow()); });
    connect(up, &QPushButton::clicked, this, [this] { this->move(m_list->currentRow(), true); });
    connect(down, &QPushButton::clicked, this, [this] { this->move(m_list->currentRow(), false); });
}

bool ListDialog::done(const authoring::Check& c, int row) {
    if (c) {
        m_wb.report(*c);
        m_text->setFocus();
        return false;
    }
    m_list->clear();
    for (const std::string& item : m_ops.items(m_data))
        m_list->addItem(fromAnsi(item));
    if (m_list->count() > 0)
        m_list->setCurrentRow(std::clamp(row, 0, m_list->count() - 1));
    return true;
}

bool ListDialog::add(const std::string& text) {
    authoring::ProjectData copy = m_data;
    auto c = m_ops.add(copy, text);
    if (!c)
        m_data = std::move(copy);
    return done(c, m_list->count());
}

bool ListDialog::change(int row, const std::string& text) {
    if (!m_ops.change || row < 0)
        return false;
    authoring::ProjectData copy = m_data;
    auto c = m_ops.change(copy, row, text);
    if (!c)
        m_data = std::move(copy);
    return done(c, row);
}

bool ListDialog::remove(int row) {
    if (row < 0)
        return false;
    if (m_ops.removeQuestion && !m_wb.question(m_ops.removeQuestion))
        return false;
    authoring::ProjectData copy = m_data;
    auto c = m_ops.remove(copy, row);
    if (!c)
        m_data = std::move(copy);
    return done(c, row);
}

bool ListDialog::move(int row, bool up) {
    if (!m_ops.move || row < 0)
        return false;
    authoring::ProjectData copy = m_data;
    auto c = m_ops.move(copy, row, up);
    if (!c)
        m_data = std::move(copy);
    return done(c, up ? row - 1 : row + 1);
}

void ListDialog::accept() {
    commit(m_wb, m_data);
    QDialog::accept();
}

// ---------------------------------------------------------------------------

GroupDialog::GroupDialog(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("Program Manager Group");
    ui::qt::dialogLook(this);
    const auto& p = m_wb.project().data();
    const char* choices[3] = {"&No Group", "&Make Group", "&Use Existing Group File"};
    const char* checks[3] = {"&Give User Option of building Group", "Un&protect file Before Installation",
                             "P&rotect File After Installation"};
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Group", this);
    auto* inner = new QVBoxLayout(group);
    for (int i = 0; i < 3; ++i) {
        m_choice[i] = new QRadioButton(choices[i], group);
        m_choice[i]->setChecked(p.group[static_cast<std::size_t>(i)] != 0);
        inner->addWidget(m_choice[i]);
    }
    layout->addWidget(group);
    for (int i = 0; i < 3; ++i) {
        m_checks[i] = new QCheckBox(checks[i], this);
        m_checks[i]->setChecked(p.group[static_cast<std::size_t>(i + 3)] != 0);
        layout->addWidget(m_checks[i]);
    }
    m_caption = new QLineEdit(fromAnsi(p.groupCaption), this);
    auto* label = new QLabel("Group &caption, or the group file's name:", this);
    label->setBuddy(m_caption);
    layout->addWidget(label);
    layout->addWidget(m_caption);
    layout->addWidget(okCancel(this));
    setMinimumWidth(420);
}

void GroupDialog::choose(int choice) { m_choice[std::clamp(choice, 0, 2)]->setChecked(true); }

void GroupDialog::setAsk(bool on) { m_checks[0]->setChecked(on); }

void GroupDialog::accept() {
    std::string group = "PMGROUP=";
    for (int i = 0; i < 3; ++i)
        group += std::string(m_choice[i]->isChecked() ? "1" : "0") + ",";
    for (int i = 0; i < 3; ++i)
        group += std::string(m_checks[i]->isChecked() ? "1" : "0") + (i < 2 ? "," : "");
    authoring::ProjectData copy = m_wb.project().data();
    for (const std::string& setting : {group, "GRPCAPFILE=" + toAnsi(m_caption->text())}) {
        const auto outcome = authoring::applySetting(copy, setting);
        if (outcome.status != authoring::SettingStatus::Applied) {
            m_wb.report(outcome.refusal);
            m_caption->setFocus();
            return;
        }
    }
    commit(m_wb, std::move(copy));
    QDialog::accept();
}

ComponentsDialog::ComponentsDialog(Workbench& workbench, std::string listFile)
    : m_wb(workbench), m_listFile(std::move(listFile)) {
    setWindowTitle("Import 3rd Party Components");
    ui::qt::dialogLook(this);
    m_list = new QListWidget(this);
    for (const std::string& name : authoring::componentNames(m_wb.machine(), m_listFile)) {
        auto* item = new QListWidgetItem(fromAnsi(name), m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString("Components of %1:").arg(fromAnsi(m_listFile)), this));
    layout->addWidget(m_list, 1);
    layout->addWidget(okCancel(this));
    resize(420, 360);
}

void ComponentsDialog::accept() {
    std::vector<bool> selected;
    for (int i = 0; i < m_list->count(); ++i)
        selected.push_back(m_list->item(i)->checkState() == Qt::Checked);
    authoring::ProjectData copy = m_wb.project().data();
    auto outcome = authoring::importComponents(m_wb.machine(), copy, m_listFile, selected);
    if (outcome.refusal) {
        m_wb.report(*outcome.refusal);
        return;
    }
    commit(m_wb, std::move(copy));
    m_wb.log(std::to_string(outcome.added) + " file(s) added from " + m_listFile);
    QDialog::accept();
}

EncryptDialog::EncryptDialog(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("Encrypt/Un-encrypt Script");
    ui::qt::dialogLook(this);
    const auto& p = m_wb.project().data();
    m_file = new QLineEdit(fromAnsi(p.directory + p.scriptName), this);
    auto* browse = new QPushButton("&Browse...", this);
    m_encrypt = new QRadioButton("&Encrypt", this);
    m_decrypt = new QRadioButton("&Un-encrypt", this);
    m_encrypt->setChecked(true);
    auto* row = new QHBoxLayout;
    row->addWidget(m_file, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Script &file:", this));
    layout->addLayout(row);
    layout->addWidget(m_encrypt);
    layout->addWidget(m_decrypt);
    layout->addWidget(okCancel(this));
    setMinimumWidth(440);
    connect(browse, &QPushButton::clicked, this, [this] {
        auto chosen = m_wb.asking().open("Script File", "Script Files (*.SCR);;All Files (*)", false);
        if (!chosen.empty())
            if (auto path = authoring::authoringPath(chosen.front()))
                m_file->setText(fromAnsi(*path));
    });
}

void EncryptDialog::setEncrypt(bool on) { (on ? m_encrypt : m_decrypt)->setChecked(true); }

void EncryptDialog::accept() {
    const bool encrypt = m_encrypt->isChecked();
    const std::string path = toAnsi(m_file->text());
    m_wb.status(encrypt ? 11037 : 11038);
    const auto done = authoring::convertScript(m_wb.machine(), path, encrypt ? authoring::Convert::Encrypt
                                                                             : authoring::Convert::Decrypt);
    if (done != authoring::ConvertStatus::Done) {
        m_wb.report(authoring::Refusal{authoring::convertNumber(done),
                                      std::string(authoring::convertMessage(done)) + ": " + path, "FILE"});
        m_file->setFocus();
        return;
    }
    m_wb.log(std::string(encrypt ? "Encrypted " : "Un-encrypted ") + path);
    m_wb.status("Ready");
    QDialog::accept();
}

// ---------------------------------------------------------------------------

ControlsDialog::ControlsDialog(Workbench& workbench, std::string objectPath)
    : m_wb(workbench), m_path(std::move(objectPath)), m_doc(authoring::loadObject(workbench.machine(), m_path)) {
    m_header = authoring::readHeader(m_doc);
    m_controls = authoring::readControls(m_doc);
    setWindowTitle(QString("Object Controls - %1").arg(fromAnsi(m_header.name)));
    ui::qt::dialogLook(this);
    m_list = new QListWidget(this);
    auto* add = new QPushButton("&Add", this);
    auto* remove = new QPushButton("&Delete", this);
    auto* up = new QPushButton("Move &Up", this);
    auto* down = new QPushButton("Move Do&wn", this);
    auto* buttons = buttonColumn({add, remove, up, down});
    m_type = new QComboBox(this);
    for (const auto& t : kControlTypes)
        if (m_header.type == 1 ? t.inBackdrop : m_header.type == 2 ? t.inDialog : t.inCueCard)
            m_type->addItem(QString::fromUtf8(std::string(t.word).c_str()), static_cast<int>(t.type));
    m_caption = new QLineEdit(this);
    m_font = new QLineEdit(this);
    m_variable = new QLineEdit(this);
    m_picture = new QLineEdit(this);
    for (auto*& n : m_numbers) {
        n = new QSpinBox(this);
        n->setRange(-32768, 32767);
    }
    m_numbers[5]->setRange(0, 0xFFFFFF);
    m_numbers[5]->setDisplayIntegerBase(16);
    m_numbers[5]->setPrefix("0x");
    auto* form = new QFormLayout;
    form->addRow("&Type:", m_type);
    form->addRow("&Caption:", m_caption);
    form->addRow("&X:", m_numbers[0]);
    form->addRow("&Y:", m_numbers[1]);
    form->addRow("&Width:", m_numbers[2]);
    form->addRow("&Height:", m_numbers[3]);
    form->addRow("&Font:", m_font);
    form->addRow("Font &size:", m_numbers[4]);
    form->addRow("Colour (&BGR):", m_numbers[5]);
    form->addRow("&Variable:", m_variable);
    form->addRow("&Icon or bitmap:", m_picture);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);
    top->addLayout(form, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okCancel(this));
    resize(760, 380);
    fill();
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showControl(); });
    for (QLineEdit* e : {m_caption, m_font, m_variable, m_picture})
        connect(e, &QLineEdit::textEdited, this, [this] { takeForm(); });
    for (QSpinBox* n : m_numbers)
        connect(n, &QSpinBox::valueChanged, this, [this] { takeForm(); });
    connect(m_type, &QComboBox::currentIndexChanged, this, [this] { takeForm(); });
    connect(add, &QPushButton::clicked, this, [this] { this->add(); });
    connect(remove, &QPushButton::clicked, this, [this] { this->remove(m_list->currentRow()); });
    connect(up, &QPushButton::clicked, this, [this] { move(m_list->currentRow(), true); });
    connect(down, &QPushButton::clicked, this, [this] { move(m_list->currentRow(), false); });
}

authoring::ControlRecord* ControlsDialog::current() {
    const int row = m_list->currentRow();
    return row >= 0 && row < static_cast<int>(m_controls.size()) ? &m_controls[static_cast<std::size_t>(row)]
                                                                 : nullptr;
}

void ControlsDialog::fill() {
    const int row = m_list->currentRow();
    m_list->blockSignals(true);
    m_list->clear();
    for (const auto& c : m_controls)
        m_list->addItem(fromAnsi(authoring::renderControl(m_header, c, false)));
    m_list->blockSignals(false);
    if (!m_controls.empty())
        m_list->setCurrentRow(std::clamp(row, 0, static_cast<int>(m_controls.size()) - 1));
    showControl();
}

void ControlsDialog::showControl() {
    const authoring::ControlRecord* c = current();
    m_showing = true;
    for (QWidget* w : std::initializer_list<QWidget*>{m_type, m_caption, m_font, m_variable, m_picture})
        w->setEnabled(c != nullptr);
    for (QSpinBox* n : m_numbers)
        n->setEnabled(c != nullptr);
    if (c) {
        m_type->setCurrentIndex(std::max(0, m_type->findData(c->type)));
        m_caption->setText(fromAnsi(c->caption));
        m_font->setText(fromAnsi(c->font));
        m_variable->setText(fromAnsi(c->variable));
        m_picture->setText(fromAnsi(c->type == static_cast<int>(ControlType::Bitmap) ? c->bitmap : c->icon));
        const int values[6] = {c->x, c->y, c->width, c->height, c->fontSize, c->foreground};
        for (int i = 0; i < 6; ++i)
            m_numbers[i]->setValue(values[i]);
    }
    m_showing = false;
}

void ControlsDialog::takeForm() {
    authoring::ControlRecord* c = current();
    if (m_showing || !c)
        return;
    c->type = m_type->currentData().toInt();
    c->caption = toAnsi(m_caption->text());
    c->font = toAnsi(m_font->text());
    c->variable = toAnsi(m_variable->text());
    (c->type == static_cast<int>(ControlType::Bitmap) ? c->bitmap : c->icon) = toAnsi(m_picture->text());
    int* fields[6] = {&c->x, &c->y, &c->width, &c->height, &c->fontSize, &c->foreground};
    for (int i = 0; i < 6; ++i)
        *fields[i] = m_numbers[i]->value();
    m_list->item(m_list->currentRow())->setText(fromAnsi(authoring::renderControl(m_header, *c, false)));
}

void ControlsDialog::setCaption(const QString& caption) {
    m_caption->setText(caption);
    takeForm();
}

bool ControlsDialog::add() {
    authoring::ControlRecord c;
    c.type = m_type->count() > 0 ? m_type->itemData(0).toInt() : 0;
    c.caption = "Text";
    c.width = 100;
    c.height = 20;
    c.font = "Arial";
    c.fontSize = 10;
    if (auto refused = authoring::addControl(m_controls, c)) {
        m_wb.report(*refused);
        return false;
    }
    fill();
    m_list->setCurrentRow(m_list->count() - 1);
    return true;
}

bool ControlsDialog::remove(int row) {
    if (row < 0 || row >= static_cast<int>(m_controls.size()))
        return false;
    if (!m_wb.question(10022))
        return false;
    m_controls.erase(m_controls.begin() + row);
    fill();
    return true;
}

bool ControlsDialog::move(int row, bool up) {
    const int to = up ? row - 1 : row + 1;
    if (row < 0 || to < 0 || to >= static_cast<int>(m_controls.size()))
        return false;
    std::swap(m_controls[static_cast<std::size_t>(row)], m_controls[static_cast<std::size_t>(to)]);
    m_list->setCurrentRow(to);
    fill();
    return true;
}

void ControlsDialog::accept() {
    authoring::saveControls(m_doc, m_controls);
    if (auto stored = authoring::storeObject(m_wb.machine(), m_path, m_doc); !stored) {
        m_wb.report(authoring::Refusal{0, "Error: " + m_path + ": " + stored.error().describe(), "FILE"});
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------

std::string projectKey(const std::string& fileText, const std::string& key) {
    const std::string head = key + "=";
    std::size_t at = 0;
    while (at < fileText.size()) {
        std::size_t end = fileText.find('\n', at);
        if (end == std::string::npos)
            end = fileText.size();
        std::string_view line(fileText.data() + at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.starts_with(head))
            return std::string(line.substr(head.size()));
        at = end + 1;
    }
    return {};
}

KeysDialog::KeysDialog(Workbench& workbench, const QString& title, std::vector<Field> fields)
    : m_wb(workbench), m_fields(std::move(fields)) {
    setWindowTitle(title);
    ui::qt::dialogLook(this);
    const std::string file = authoring::writeProjectFile(m_wb.project().data());
    auto* form = new QFormLayout;
    for (const Field& f : m_fields) {
        std::string value = projectKey(file, f.key);
        QWidget* editor;
        if (f.multiLine) {
            ReplaceAll(value, "~~", "\n");
            auto* text = new QPlainTextEdit(fromAnsi(value), this);
            QFont fixed("Courier New");
            fixed.setStyleHint(QFont::TypeWriter);
            text->setFont(fixed);
            editor = text;
        } else if (!f.choices.empty()) {
            auto* box = new QComboBox(this);
            box->setEditable(true);
            for (const std::string& c : f.choices)
                box->addItem(fromAnsi(c));
            box->setEditText(fromAnsi(value));
            editor = box;
        } else {
            editor = new QLineEdit(fromAnsi(value), this);
        }
        auto* label = new QLabel(QString::fromStdString(f.label), this);
        label->setBuddy(editor);
        form->addRow(label, editor);
        m_editors[f.key] = editor;
    }
    auto* layout = new QVBoxLayout(this);
    // A long form scrolls.
    auto* inner = new QWidget(this);
    inner->setLayout(form);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    layout->addWidget(scroll, 1);
    layout->addWidget(okCancel(this));
    resize(560, std::min(620, 80 + 34 * static_cast<int>(m_fields.size())));
}

QWidget* KeysDialog::editor(const std::string& key) const {
    auto it = m_editors.find(key);
    return it == m_editors.end() ? nullptr : it->second;
}

void KeysDialog::setText(const std::string& key, const QString& text) {
    if (auto* line = dynamic_cast<QLineEdit*>(editor(key)))
        line->setText(text);
    else if (auto* many = dynamic_cast<QPlainTextEdit*>(editor(key)))
        many->setPlainText(text);
    else if (auto* box = dynamic_cast<QComboBox*>(editor(key)))
        box->setEditText(text);
}

void KeysDialog::accept() {
    authoring::ProjectData changed = m_wb.project().data();
    for (const Field& f : m_fields) {
        QWidget* e = m_editors.at(f.key);
        std::string value;
        if (auto* line = dynamic_cast<QLineEdit*>(e))
            value = toAnsi(line->text());
        else if (auto* box = dynamic_cast<QComboBox*>(e))
            value = toAnsi(box->currentText());
        else
            value = toAnsi(static_cast<QPlainTextEdit*>(e)->toPlainText());
        if (f.multiLine) {
            ReplaceAll(value, "\r\n", "\n");
            ReplaceAll(value, "\n", "~~");
        }
        const auto outcome = authoring::applySetting(changed, f.key + "=" + value);
        if (outcome.status != authoring::SettingStatus::Applied) {
            authoring::Refusal r = outcome.refusal;
            if (outcome.status == authoring::SettingStatus::UnknownKey)
                r = authoring::Refusal{0, "Unknown key " + f.key, f.key};
            m_wb.report(r);
            e->setFocus();
            return;
        }
    }
    commit(m_wb, std::move(changed));
    QDialog::accept();
}

} // namespace zrv::workbench::qt
