#include "authoring/workbench/windows.h"

#include "authoring/project/authoringmachine.h"
#include "authoring/project/filelist.h"
#include "authoring/project/objectfile.h"
#include "authoring/workbench/model/commands.h"
#include "authoring/workbench/model/filelist.h"
#include "authoring/workbench/workbench.h"
#include "interpreter/ui/qt/widgets.h"

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QUrl>
#include <QVBoxLayout>

namespace zrv::workbench::qt {

using zrv::ui::qt::fromAnsi;
using zrv::ui::qt::toAnsi;

namespace {

QFont fixedFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(9);
    return f;
}

} // namespace

// ---------------------------------------------------------------------------

FilesWindow::FilesWindow(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("Project Files");
    setFont(fixedFont());
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    // Whole lines, scrolled sideways as a list box of the time does, never cut short.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { selectionToModel(); });
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0) {
            m_wb.editor().setCaret(row);
            if (m_wb.propertyWindow())
                m_wb.propertyWindow()->refresh();
        }
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { m_wb.run(cmd::kFileAttributes); });
}

void FilesWindow::refresh() {
    m_filling = true;
    const int top = verticalScrollBar()->value();
    FileListEditor& ed = m_wb.editor();
    const auto& files = m_wb.project().data().files;
    const bool details = m_wb.settings().fullDetails(), descriptions = m_wb.settings().descriptions();
    // Items are reused so a repaint keeps the list where it was.
    while (count() > static_cast<int>(files.size()))
        delete takeItem(count() - 1);
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        const QString text = fromAnsi(authoring::fileListLine(m_wb.machine(), i, files[i], details, descriptions));
        if (i < count())
            item(i)->setText(text);
        else
            addItem(text);
        item(i)->setSelected(ed.selected(i));
    }
    if (ed.count() > 0)
        setCurrentRow(ed.caret(), QItemSelectionModel::NoUpdate);
    verticalScrollBar()->setValue(top);
    m_filling = false;
}

void FilesWindow::selectionToModel() {
    if (m_filling)
        return;
    FileListEditor& ed = m_wb.editor();
    for (int i = 0; i < count() && i < ed.count(); ++i)
        ed.select(i, item(i)->isSelected());
}

void FilesWindow::addHostFiles(const std::vector<std::string>& hostPaths) {
    std::vector<std::string> names;
    for (const auto& e : m_wb.project().data().files)
        names.push_back(e.source);
    for (const std::string& h : hostPaths)
        if (auto w = authoring::authoringPath(h))
            names.push_back(*w);
    m_wb.editor().edit(names);
    m_wb.refresh();
}

void FilesWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_wb.run(cmd::kFileAttributes);
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        m_wb.run(cmd::kDelete);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FilesWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void FilesWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void FilesWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    addHostFiles(paths);
}

// ---------------------------------------------------------------------------

OutputWindow::OutputWindow() {
    setWindowTitle("Output");
    setReadOnly(true);
    setFont(fixedFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void OutputWindow::addLine(const QString& line) { appendPlainText(line); }

QStringList OutputWindow::lines() const {
    QStringList out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        if (!(b == document()->begin() && b.text().isEmpty() && document()->blockCount() == 1))
            out << b.text();
    return out;
}

// ---------------------------------------------------------------------------

ObjectsWindow::ObjectsWindow(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("Project Objects");
    setFont(fixedFont());
    setTextElideMode(Qt::ElideNone);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { m_wb.run(cmd::kObjectProperties); });
    // What can be done to an object, at hand: its properties, controls,
    // preview and deletion.
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto item = [this](const char* caption, std::function<void()> run) {
        auto* a = new QAction(caption, this);
        connect(a, &QAction::triggered, this, std::move(run));
        addAction(a);
    };
    item("Object &Properties...", [this] { m_wb.run(cmd::kObjectProperties); });
    item("Object &Controls...", [this] { m_wb.run(cmd::kObjectControls); });
    item("Pre&view", [this] { m_wb.preview(selectedObject()); });
    item("&Delete Object", [this] { m_wb.run(cmd::kDeleteObject); });
}

void ObjectsWindow::refresh() {
    const int row = currentRow();
    clear();
    static const char* const kTypes[] = {"?", "Backdrop", "Dialog", "Cue Card"};
    for (const std::string& path : m_wb.project().data().objects) {
        const authoring::ObjectHeader h = authoring::readHeader(authoring::loadObject(m_wb.machine(), path));
        const char* type = h.type >= 1 && h.type <= 3 ? kTypes[h.type] : kTypes[0];
        const bool there = authoring::objectExists(m_wb.machine(), path);
        addItem(fromAnsi((there ? h.name : std::string("<Not Found>"))) + QString("  (%1)  ").arg(type) +
                fromAnsi(path));
    }
    if (count() > 0)
        setCurrentRow(std::clamp(row, 0, count() - 1));
}

int ObjectsWindow::selectedObject() const { return currentRow(); }

void ObjectsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_wb.run(cmd::kObjectProperties);
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        m_wb.run(cmd::kDeleteObject);
        return;
    }
    QListWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------

PropertyWindow::PropertyWindow(Workbench& workbench) : m_wb(workbench) {
    setWindowTitle("File Attributes");
    ui::qt::dialogLook(this);
    auto* layout = new QVBoxLayout(this);
    m_file = new QLabel(this);
    m_property = new QComboBox(this);
    for (const FileProperty& p : fileProperties())
        m_property->addItem(p.shown, QString(p.field));
    m_value = new QComboBox(this);
    m_apply = new QPushButton("&Apply", this);
    m_apply->setDefault(true);
    layout->addWidget(m_file);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel("&Property:", this);
    label->setBuddy(m_property);
    row->addWidget(label);
    row->addWidget(m_property, 1);
    layout->addLayout(row);
    layout->addWidget(m_value);
    layout->addWidget(m_apply, 0, Qt::AlignRight);
    layout->addStretch(1);
    connect(m_property, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { apply(); });
    refresh();
}

std::string PropertyWindow::field() const { return m_property->currentData().toString().toStdString(); }

void PropertyWindow::choose(const std::string& field) {
    const int i = m_property->findData(QString::fromStdString(field));
    if (i >= 0)
        m_property->setCurrentIndex(i);
    refresh();
}

void PropertyWindow::refresh() {
    const auto& files = m_wb.project().data().files;
    const int caret = m_wb.editor().caret();
    const bool any = caret >= 0 && caret < static_cast<int>(files.size());
    m_file->setText(any ? fromAnsi(files[caret].source) : QString("(no file)"));
    const std::string f = field();
    const auto choices = propertyChoices(f);
    m_value->clear();
    m_value->setEditable(choices.empty());
    for (const std::string& c : choices.empty() ? offeredTexts(f) : choices)
        m_value->addItem(fromAnsi(c));
    if (any)
        setValue(propertyValue(files[caret], f));
    setEnabled(any);
}

std::string PropertyWindow::value() const {
    if (!propertyChoices(field()).empty())
        return std::to_string(m_value->currentIndex());
    return toAnsi(m_value->currentText());
}

void PropertyWindow::setValue(const std::string& value) {
    if (!propertyChoices(field()).empty())
        m_value->setCurrentIndex(std::atoi(value.c_str()));
    else
        m_value->setEditText(fromAnsi(value));
}

bool PropertyWindow::apply() {
    if (auto refused = m_wb.editor().apply(field(), value())) {
        m_wb.report(*refused);
        m_value->setFocus();
        return false;
    }
    m_wb.refresh();
    return true;
}

} // namespace zrv::workbench::qt
