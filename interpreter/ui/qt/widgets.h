// The Qt widgets of the installer's windows. Each one shows a piece of the
// toolkit-neutral display state and paints the neutral layer's drawing
// operations; only this folder sees Qt.
#pragma once

#include "interpreter/ui/dialog.h"
#include "interpreter/ui/display.h"
#include "interpreter/ui/ui.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace zrv::ui::qt {

// The period's look for the whole application: the classic style (square
// 3-D buttons, dotted focus rectangles) in the system colours of the time.
void periodLook();
QString fromAnsi(const std::string& text);
std::string toAnsi(const QString& text);
QColor colour(std::uint32_t bgr);
QFont fontOf(const Font& font);
// The dialog font: 8-point "MS Sans Serif", or a sans-serif face of its size.
QFont dialogFont();
// A dialog's look: the dialog font on a light grey (192, 192, 192) face.
void dialogLook(QWidget* dialog);

// Measures with the fonts Qt draws with.
class QtMeasurer : public TextMeasurer {
public:
    Size measure(const Font& font, std::string_view line) const override;
};

// Paints operations; bitmaps come from the surface's slots.
void paintOps(QPainter& painter, const std::vector<DrawOp>& ops, const Surface* surface);

// The named icons and the application icon ("#31234"); a null image for others.
QImage iconImage(const std::string& name);

// The gauge, painted column by column with its text combined by exclusive-or.
class GaugeWidget : public QWidget {
public:
    explicit GaugeWidget(const Gauge& gauge, QWidget* parent = nullptr) : QWidget(parent), m_gauge(gauge) {}
    // The gauge's client area as it paints into an image of that size.
    QImage render(QSize client) const;
    QImage render() const { return render(size()); }
    // The whole window: the client inside a one-pixel black border (WS_BORDER).
    QImage renderWindow() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Gauge& m_gauge;
};

// A surface painted from operations: the main window, a cue card.
class SurfaceWidget : public QWidget {
public:
    using Painter = std::function<std::vector<DrawOp>(const QRect& client)>;
    SurfaceWidget(Painter painter, const Surface* surface, QWidget* parent = nullptr)
        : QWidget(parent), m_painter(std::move(painter)), m_surface(surface) {}
    void setSurface(const Surface* surface) { m_surface = surface; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Painter m_painter;
    const Surface* m_surface;
};

// A message box with the Win32 button sets, icons and default buttons.
class MessageBoxDialog : public QDialog {
public:
    MessageBoxDialog(const MessageBoxRequest& request, QWidget* parent);
    int result() const { return m_result; }
    QPushButton* button(int id) const;

protected:
    void reject() override; // Escape and the close box
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(int id);
    std::map<int, QPushButton*> m_buttons;
    int m_result = 0;
    int m_escape = 0;
};

// A dialog's items as widgets, in step with the neutral model both ways.
class DialogWindow : public QDialog {
public:
    DialogWindow(Dialog& dialog, const Metrics& metrics, const TextMeasurer& measurer, QWidget* parent);
    // Model to widgets, widgets to model.
    void load();
    void store();
    QWidget* widget(int id) const;
    // The widget of the dialog's item at `index`.
    QWidget* itemWidget(std::size_t index) const;
    int result() const { return m_result; }
    // Called for each command the person gives: the steps a recording keeps.
    std::function<void(int id, Event event, const DialogItem* item)> onCommand;

protected:
    void reject() override;
    void accept() override;
    // Arrow keys in a group of radio buttons move and check, as auto radio buttons do.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    void command(int id, Event event);
    Dialog& m_dialog;
    const Metrics& m_metrics;
    const TextMeasurer& m_measurer;
    std::map<int, QWidget*> m_widgets;    // by identifier: the first item of each (not -1)
    std::vector<QWidget*> m_itemWidgets; // by item, in the dialog's order: items of id -1 are many
    bool m_loading = false;
    int m_result = 2;
};

} // namespace zrv::ui::qt
