#include "interpreter/ui/qt/debugwindow.h"

#include "interpreter/ui/qt/widgets.h"

#include <QAbstractListModel>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>

namespace zrv::ui::qt {

namespace {

constexpr int kMinWidth = 546, kMinHeight = 300;

// The debugger's colours are 0x00RRGGBB.
QColor rgb(std::uint32_t c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// The lines, read when painted: a long script lists without reading it all.
class ScriptModel : public QAbstractListModel {
public:
    explicit ScriptModel(DebugView& view, QObject* parent) : QAbstractListModel(parent), m_view(view) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_view.lines);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return fromAnsi(m_view.text(static_cast<std::uint32_t>(index.row() + 1)));
        return {};
    }
    void changed() { Q_EMIT dataChanged(index(0), index(rowCount({}) - 1)); }

private:
    DebugView& m_view;
};

// Each line on its state's colours, tabs expanded, the focus rectangle on the
// line with the caret; 3000 pixels wide, so long lines scroll sideways.
class LineDelegate : public QStyledItemDelegate {
public:
    LineDelegate(DebugView& view, QObject* parent) : QStyledItemDelegate(parent), m_view(view) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto state = m_view.state(static_cast<std::uint32_t>(index.row() + 1));
        painter->fillRect(option.rect, rgb(DebugView::background(state)));
        painter->setPen(rgb(DebugView::foreground(state)));
        painter->setFont(option.font);
        QString text = index.data().toString();
        text.replace('\t', QString(8, ' '));
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(3000, option.fontMetrics.height() + 2);
    }

private:
    DebugView& m_view;
};

} // namespace

DebugWindow::DebugWindow(DebugView& view, const Metrics& metrics, QWidget* parent) : QDialog(parent), m_view(view) {
    dialogLook(this);
    setWindowTitle(fromAnsi(view.title));
    setSizeGripEnabled(true);
    m_frame = new QFrame(this);
    m_frame->setFrameShape(QFrame::Box);
    m_frame->setFrameShadow(QFrame::Sunken);
    m_scriptLabel = new QLabel("Script", this);
    m_commandLabel = new QLabel("Command Debugging", this);
    m_script = new QListView(this);
    auto* model = new ScriptModel(view, m_script);
    m_script->setModel(model);
    m_script->setItemDelegate(new LineDelegate(view, m_script));
    m_script->setUniformItemSizes(true);
    m_script->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_script->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_script->setSelectionMode(QAbstractItemView::SingleSelection);
    m_commands = new QListWidget(this);
    m_commands->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (std::size_t i = 0; i < kDebugButtons.size(); ++i) {
        auto* b = new QPushButton(kDebugButtons[i].text, this);
        b->setAutoDefault(false);
        const int id = kDebugButtons[i].id;
        b->setObjectName(QString("debug%1").arg(id));
        connect(b, &QPushButton::clicked, this, [this, id] { press(id); });
        m_buttons[i] = b;
    }
    refresh();
    // The template's size, but never so small that the row of six buttons the
    // layout places (to x = 538) is cut off.
    const Rect du = metrics.toPixels(Rect::sized(0, 0, kDebugWidthDu, kDebugHeightDu));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(std::max(du.width(), kMinWidth), std::max(du.height(), kMinHeight + 100));
    if (view.rect)
        setGeometry(view.rect->left, view.rect->top, view.rect->width(), view.rect->height());
    if (view.current >= 1) {
        const QModelIndex at = model->index(static_cast<int>(view.current - 1));
        m_script->setCurrentIndex(at);
        m_script->scrollTo(at, QAbstractItemView::PositionAtCenter);
    }
    m_initialising = false;
}

QPushButton* DebugWindow::button(int id) const {
    for (std::size_t i = 0; i < kDebugButtons.size(); ++i)
        if (kDebugButtons[i].id == id)
            return m_buttons[i];
    return nullptr;
}

std::uint32_t DebugWindow::caretLine() const {
    const QModelIndex at = m_script->currentIndex();
    return at.isValid() ? static_cast<std::uint32_t>(at.row() + 1) : m_view.current;
}

void DebugWindow::refresh() {
    m_commands->clear();
    for (const std::string& c : m_view.commands())
        m_commands->addItem(fromAnsi(c));
    if (auto* model = static_cast<ScriptModel*>(m_script->model()))
        model->changed();
    m_script->viewport()->update();
}

void DebugWindow::press(int id) {
    const std::uint32_t line = caretLine();
    switch (id) {
    case kDebugSetNext:
        steps.emplace_back("setnext", line);
        if (!m_view.setNext(line))
            m_commands->insertItem(0, fromAnsi(m_view.message));
        else
            refresh();
        return;
    case kDebugBreakPoint:
        steps.emplace_back("breakpoint", line);
        m_view.toggleBreakpoint(line);
        refresh();
        return;
    case kDebugClearAll:
        steps.emplace_back("clearall", 0);
        m_view.clearAll();
        refresh();
        return;
    default:
        m_result = id;
        done(id);
    }
}

void DebugWindow::reject() { press(kDebugCancel); }

void DebugWindow::keyPressEvent(QKeyEvent* event) {
    // The function keys of debuggers: F10 steps, F5 runs, F9 toggles a breakpoint.
    switch (event->key()) {
    case Qt::Key_F10: press(kDebugStep); return;
    case Qt::Key_F5: press(kDebugRun); return;
    case Qt::Key_F9: press(kDebugBreakPoint); return;
    default: QDialog::keyPressEvent(event);
    }
}

void DebugWindow::stored() {
    if (m_initialising || isMinimized())
        return;
    const QRect g = geometry();
    m_view.moved(Rect{g.left(), g.top(), g.right() + 1, g.bottom() + 1});
}

void DebugWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const DebugLayout l = layoutDebugWindow(width(), height());
    auto place = [](QWidget* w, const Rect& r) { w->setGeometry(r.left, r.top, r.width(), r.height()); };
    place(m_frame, l.frame);
    place(m_scriptLabel, l.scriptLabel);
    place(m_script, l.scriptList);
    place(m_commandLabel, l.commandLabel);
    place(m_commands, l.commandList);
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        place(m_buttons[i], l.buttons[i]);
    stored();
}

void DebugWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    stored();
}

} // namespace zrv::ui::qt
