#include "interpreter/ui/qt/widgets.h"

#include "platform/base/ansi.h"

#include <QApplication>
#include <QStyleFactory>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zrv::ui::qt {

void periodLook() {
    if (QStyle* classic = QStyleFactory::create("Windows"))
        QApplication::setStyle(classic);
    QPalette pal(QColor(192, 192, 192)); // button face
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Midlight, QColor(223, 223, 223));
    pal.setColor(QPalette::Mid, QColor(128, 128, 128));
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Shadow, Qt::black);
    pal.setColor(QPalette::Highlight, QColor(0, 0, 128));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    QApplication::setPalette(pal);
}


QString fromAnsi(const std::string& text) { return QString::fromStdString(ansiToUtf8(text)); }
std::string toAnsi(const QString& text) { return utf8ToAnsiLossy(text.toStdString()); }

QColor colour(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QFont fontOf(const Font& font) {
    QFont f(QString::fromStdString(ansiToUtf8(font.face)));
    f.setStyleHint(QFont::SansSerif);
    // A negative height is the character height, a positive one the cell's.
    int px = font.height == 0 ? 11 : std::abs(font.height);
    f.setPixelSize(std::max(1, px));
    f.setWeight(font.bold ? QFont::DemiBold : QFont::Normal);
    f.setStyleStrategy(QFont::NoAntialias); // draft quality: whole pixels in the text's colour
    return f;
}

QFont dialogFont() {
    QFont f("MS Sans Serif");
    f.setPixelSize(11);
    if (!QFontInfo(f).exactMatch()) {
        // Metric-compatible faces first, then any sans-serif face.
        for (const char* face : {"Microsoft Sans Serif", "Liberation Sans", "Arimo", "DejaVu Sans"}) {
            f.setFamily(face);
            if (QFontInfo(f).exactMatch())
                break;
        }
    }
    f.setStyleHint(QFont::SansSerif);
    return f;
}

void dialogLook(QWidget* dialog) {
    // A caption with a close button at most, as the period's dialogs have.
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setFont(dialogFont());
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    dialog->setPalette(pal);
    dialog->setAutoFillBackground(true);
}

Size QtMeasurer::measure(const Font& font, std::string_view line) const {
    QFontMetrics m(fontOf(font));
    QString text = QString::fromStdString(ansiToUtf8(std::string(line)));
    QRect r = m.boundingRect(QRect(0, 0, 100000, 1000), Qt::TextExpandTabs | Qt::TextSingleLine, text);
    return {r.width(), m.height()};
}

namespace {
QImage imageOf(const BitmapSlot& slot) {
    const Image& i = slot.image;
    return QImage(reinterpret_cast<const uchar*>(i.pixels.data()), i.width, i.height, i.width * 4, QImage::Format_RGB32);
}
} // namespace

void paintOps(QPainter& p, const std::vector<DrawOp>& ops, const Surface* surface) {
    for (const DrawOp& op : ops) {
        QRect r(op.rect.left, op.rect.top, op.rect.width(), op.rect.height());
        switch (op.kind) {
        case DrawOp::Kind::Fill: p.fillRect(r, colour(op.colour)); break;
        case DrawOp::Kind::Frame:
            p.setPen(colour(op.colour));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case DrawOp::Kind::Text: {
            QFont f = fontOf(op.font);
            p.setFont(f);
            p.setPen(colour(op.colour));
            QFontMetrics m(f);
            int y = r.top();
            for (const QString& line : fromAnsi(op.text).split('\n')) {
                p.drawText(QRect(r.left(), y, 100000, m.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs,
                           line);
                y += m.height();
            }
            break;
        }
        case DrawOp::Kind::Bitmap: {
            if (!surface || op.slot < 0 || op.slot >= Surface::kBitmapSlots || !surface->slots[op.slot].loaded)
                break;
            QImage image = imageOf(surface->slots[op.slot]);
            if (op.tile)
                p.drawTiledPixmap(r, QPixmap::fromImage(image));
            else
                p.drawImage(r.topLeft(), image);
            break;
        }
        }
    }
    if (surface)
        for (const IconWindow& icon : surface->icons)
            p.drawImage(icon.x, icon.y, iconImage(icon.name));
}

QImage GaugeWidget::render(QSize client) const {
    QImage image(client.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    int width = image.width(), height = image.height();
    int filled = m_gauge.filled(width);
    QPainter p(&image);
    for (int x = 0; x < width; ++x)
        p.fillRect(x, 0, 1, height, colour(x < filled ? m_gauge.bar : m_gauge.background));
    QString text = QString::fromStdString(m_gauge.text());
    if (!text.isEmpty()) {
        QFont f = dialogFont();
        f.setStyleStrategy(QFont::NoAntialias);
        QFontMetrics m(f);
        QImage glyphs(m.horizontalAdvance(text), m.height(), QImage::Format_RGB32);
        glyphs.fill(Qt::black);
        QPainter t(&glyphs);
        t.setFont(f);
        t.setPen(colour(m_gauge.textColour()));
        t.drawText(glyphs.rect(), Qt::AlignLeft | Qt::AlignTop, text);
        t.end();
        Rect client{0, 0, width, height};
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.drawImage(m_gauge.textX(client, glyphs.width()), m_gauge.textY(client, glyphs.height()), glyphs);
    }
    return image;
}

QImage GaugeWidget::renderWindow() const {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.drawImage(1, 1, render(size() - QSize(2, 2)));
    return image;
}

void GaugeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, renderWindow());
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintOps(p, m_painter(rect()), m_surface);
}

// --- Message boxes -----------------------------------------------------------

MessageBoxDialog::MessageBoxDialog(const MessageBoxRequest& request, QWidget* parent) : QDialog(parent) {
    setWindowTitle(fromAnsi(request.title.empty() ? std::string("Error") : request.title));
    dialogLook(this); // the grey of every dialog, not the platform's lighter one
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
    switch (request.style & Mb::IconMask) {
    case Mb::IconStop: pixmap = QStyle::SP_MessageBoxCritical; break;
    case Mb::IconQuestion: pixmap = QStyle::SP_MessageBoxQuestion; break;
    case Mb::IconExclamation: pixmap = QStyle::SP_MessageBoxWarning; break;
    case Mb::IconInformation: pixmap = QStyle::SP_MessageBoxInformation; break;
    default: break;
    }
    if (pixmap != QStyle::SP_CustomBase) {
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(pixmap).pixmap(32, 32));
        icon->setObjectName("icon");
        top->addWidget(icon, 0, Qt::AlignTop);
    }
    auto* text = new QLabel(fromAnsi(request.text), this);
    text->setObjectName("text");
    text->setTextFormat(Qt::PlainText);
    top->addWidget(text, 1);
    layout->addLayout(top);
    auto* row = new QHBoxLayout();
    row->addStretch();
    static const std::vector<std::vector<std::pair<int, const char*>>> kSets = {
        {{Id::Ok, "OK"}},
        {{Id::Ok, "OK"}, {Id::Cancel, "Cancel"}},
        {{Id::Abort, "&Abort"}, {Id::Retry, "&Retry"}, {Id::Ignore, "&Ignore"}},
        {{Id::Yes, "&Yes"}, {Id::No, "&No"}, {Id::Cancel, "Cancel"}},
        {{Id::Yes, "&Yes"}, {Id::No, "&No"}},
        {{Id::Retry, "&Retry"}, {Id::Cancel, "Cancel"}}};
    unsigned type = request.style & Mb::TypeMask;
    const auto& set = kSets[type <= 5 ? type : 0];
    int preferred = defaultButton(request.style);
    for (const auto& [id, label] : set) {
        auto* b = new QPushButton(label, this);
        b->setAutoDefault(true); // Enter presses the focused button
        b->setDefault(id == preferred);
        connect(b, &QPushButton::clicked, this, [this, id = id] { finish(id); });
        m_buttons[id] = b;
        row->addWidget(b);
        if (id == Id::Cancel)
            m_escape = Id::Cancel;
    }
    if (type == 0)
        m_escape = Id::Ok; // a lone OK also answers Escape
    row->addStretch();
    layout->addLayout(row);
    if (QPushButton* b = button(preferred))
        b->setFocus();
}

QPushButton* MessageBoxDialog::button(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

void MessageBoxDialog::finish(int id) {
    m_result = id;
    done(id);
}

void MessageBoxDialog::reject() {
    if (m_escape != 0)
        finish(m_escape); // without Cancel, Escape and the close box do nothing
}

void MessageBoxDialog::keyPressEvent(QKeyEvent* event) {
    // As in a Win32 message box, a button's underlined letter alone presses it.
    if (!event->text().isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QChar typed = event->text().at(0).toUpper();
        for (auto& [id, b] : m_buttons) {
            int amp = b->text().indexOf('&');
            if (amp >= 0 && amp + 1 < b->text().size() && b->text().at(amp + 1).toUpper() == typed)
                return finish(id);
        }
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (auto& [id, b] : m_buttons)
            if (b->hasFocus())
                return finish(id);
        for (auto& [id, b] : m_buttons)
            if (b->isDefault())
                return finish(id);
    }
    QDialog::keyPressEvent(event);
}

// --- Dialogs ----------------------------------------------------------------

namespace {
// Static texts show "&" as a mnemonic; labels here have no buddy to jump to.
QString labelText(const std::string& text) {
    QString s = fromAnsi(text);
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) {
            out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}
} // namespace

DialogWindow::DialogWindow(Dialog& dialog, const Metrics& metrics, const TextMeasurer& measurer, QWidget* parent)
    : QDialog(parent), m_dialog(dialog), m_metrics(metrics), m_measurer(measurer) {
    dialogLook(this);
    setWindowTitle(fromAnsi(dialog.title));
    Rect client = metrics.toPixels(Rect::sized(0, 0, dialog.du.width(), dialog.du.height()));
    setFixedSize(client.width(), client.height());
    for (const DialogItem& item : dialog.items) {
        Rect r = metrics.toPixels(item.du);
        QWidget* w = nullptr;
        int id = item.id;
        switch (item.cls) {
        case ItemClass::Button:
            if (item.isGroupBox()) {
                w = new QGroupBox(labelText(item.text), this);
            } else if (item.isCheckBox()) {
                auto* b = new QCheckBox(fromAnsi(item.text), this);
                connect(b, &QCheckBox::clicked, this, [this, id] { command(id, Event::Clicked); });
                w = b;
            } else if (item.isRadio()) {
                auto* b = new QRadioButton(fromAnsi(item.text), this);
                b->setAutoExclusive(false); // the model keeps the group
                b->installEventFilter(this);
                connect(b, &QRadioButton::clicked, this, [this, id] {
                    store();
                    m_dialog.checkRadio(id);
                    load();
                    command(id, Event::Clicked);
                });
                w = b;
            } else {
                auto* b = new QPushButton(fromAnsi(item.text), this);
                // As in Windows: a focused push button is the default while it has the focus.
                b->setAutoDefault(true);
                b->setDefault(id == dialog.defaultId);
                connect(b, &QPushButton::clicked, this, [this, id] { command(id, Event::Clicked); });
                w = b;
            }
            break;
        case ItemClass::Edit: w = new QLineEdit(this); break;
        case ItemClass::Static:
            if ((item.style & Ss::TypeMask) == Ss::Icon) {
                auto* l = new QLabel(this);
                l->setPixmap(QPixmap::fromImage(iconImage(item.text)));
                l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                w = l;
            } else {
                auto* l = new QLabel(this);
                l->setWordWrap(true);
                l->setAlignment(((item.style & Ss::TypeMask) == Ss::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                                Qt::AlignTop);
                w = l;
            }
            break;
        case ItemClass::ListBox: {
            auto* l = new QListWidget(this);
            connect(l, &QListWidget::itemDoubleClicked, this, [this, id] { command(id, Event::DoubleClicked); });
            connect(l, &QListWidget::currentRowChanged, this, [this, id] {
                if (!m_loading)
                    command(id, Event::SelectionChanged);
            });
            w = l;
            break;
        }
        case ItemClass::ComboBox: {
            auto* c = new QComboBox(this);
            c->setEditable(!item.isDropList());
            connect(c, qOverload<int>(&QComboBox::activated), this, [this, id] { command(id, Event::SelectionChanged); });
            w = c;
            break;
        }
        }
        w->setObjectName(QString("item%1").arg(id));
        // A drop-down's rectangle includes its open list; the closed box is one line high.
        int height = item.cls == ItemClass::ComboBox ? std::min(r.height(), m_metrics.toPixelsY(12)) : r.height();
        w->setGeometry(r.left, r.top, r.width(), height);
        m_itemWidgets.push_back(w);
        if (id != -1)
            m_widgets.emplace(id, w);
    }
    move(dialog.window.left, dialog.window.top);
    load();
}

QWidget* DialogWindow::widget(int id) const {
    auto it = m_widgets.find(id);
    return it == m_widgets.end() ? nullptr : it->second;
}

QWidget* DialogWindow::itemWidget(std::size_t index) const {
    if (index < m_itemWidgets.size() && m_itemWidgets.size() == m_dialog.items.size())
        return m_itemWidgets[index];
    return index < m_dialog.items.size() ? widget(m_dialog.items[index].id) : nullptr;
}

void DialogWindow::load() {
    m_loading = true;
    setWindowTitle(fromAnsi(m_dialog.title));
    for (std::size_t i = 0; i < m_dialog.items.size(); ++i) {
        const DialogItem& item = m_dialog.items[i];
        QWidget* w = itemWidget(i);
        if (!w)
            continue;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setMaxLength(item.limit > 0 ? item.limit : 32767);
            e->setText(fromAnsi(item.text));
        } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
            c->setChecked(item.checked);
        } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
            r->setChecked(item.checked);
        } else if (auto* l = qobject_cast<QListWidget*>(w)) {
            l->clear();
            for (const std::string& s : item.items)
                l->addItem(fromAnsi(s));
            l->setCurrentRow(item.selection);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->clear();
            for (const std::string& s : item.items)
                c->addItem(fromAnsi(s));
            c->setCurrentIndex(item.selection);
            if (c->isEditable()) {
                c->setEditText(fromAnsi(item.text));
                if (c->lineEdit() && item.limit > 0)
                    c->lineEdit()->setMaxLength(item.limit);
            }
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if ((item.style & Ss::TypeMask) != Ss::Icon)
                l->setText(labelText(item.text));
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            b->setText(fromAnsi(item.text));
        }
    }
    if (QWidget* w = widget(m_dialog.focusId))
        w->setFocus();
    m_loading = false;
    update();
}

void DialogWindow::store() {
    for (std::size_t i = 0; i < m_dialog.items.size(); ++i) {
        DialogItem& item = m_dialog.items[i];
        QWidget* w = itemWidget(i);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            item.text = toAnsi(e->text());
        else if (auto* c = qobject_cast<QCheckBox*>(w))
            item.checked = c->isChecked();
        else if (auto* r = qobject_cast<QRadioButton*>(w))
            item.checked = r->isChecked();
        else if (auto* l = qobject_cast<QListWidget*>(w))
            item.selection = l->currentRow();
        else if (auto* c = qobject_cast<QComboBox*>(w)) {
            item.selection = c->currentIndex();
            if (c->isEditable())
                item.text = toAnsi(c->currentText());
        }
    }
    m_dialog.focusId = 0;
    for (const auto& [id, w] : m_widgets)
        if (w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()))
            m_dialog.focusId = id;
}

void DialogWindow::command(int id, Event event) {
    if (m_loading || !m_dialog.controller)
        return;
    store();
    if (onCommand)
        onCommand(id, event, m_dialog.item(id));
    Outcome o = m_dialog.controller->command(m_dialog, id, event);
    if (o.end) {
        m_result = o.result;
        done(o.result);
        return;
    }
    load();
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1 : key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 0;
    if (!step)
        return QDialog::eventFilter(watched, event);
    for (std::size_t i = 0; i < m_dialog.items.size(); ++i) {
        if (itemWidget(i) != watched)
            continue;
        const int next = m_dialog.nextRadio(m_dialog.items[i].id, step);
        QWidget* w = widget(next);
        if (!next || !w)
            return true;
        w->setFocus(Qt::TabFocusReason);
        store();
        m_dialog.checkRadio(next);
        load();
        w->setFocus(Qt::TabFocusReason);
        command(next, Event::Clicked);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWindow::reject() { command(Id::Cancel, Event::Clicked); }
void DialogWindow::accept() { command(m_dialog.defaultId, Event::Clicked); }

void DialogWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (!m_dialog.controller)
        return;
    QPainter p(this);
    paintOps(p, m_dialog.controller->paint(m_dialog, m_measurer), m_dialog.surface);
}

} // namespace zrv::ui::qt
