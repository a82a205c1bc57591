// The script debugger's window on Qt: the script's lines (owner-drawn in the
// debugger's colours), the statement's parameters and the variables, and the
// six buttons. It shows a DebugView and forwards its commands to it.
#pragma once

#include "interpreter/ui/debugview.h"
#include "interpreter/ui/geometry.h"

#include <QDialog>

#include <array>

class QLabel;
class QListView;
class QListWidget;
class QPushButton;
class QFrame;

namespace zrv::ui::qt {

class DebugWindow : public QDialog {
public:
    DebugWindow(DebugView& view, const Metrics& metrics, QWidget* parent);
    // The button that ended the window: Step, Run or Cancel.
    int result() const { return m_result; }
    QPushButton* button(int id) const;
    QListView* scriptList() const { return m_script; }
    // What the person did before the button that ended it, for a recording.
    std::vector<std::pair<std::string, std::uint32_t>> steps;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override; // Escape and the close box: Cancel

private:
    void press(int id);
    void refresh();
    void stored();
    std::uint32_t caretLine() const;

    DebugView& m_view;
    QFrame* m_frame = nullptr;
    QLabel* m_scriptLabel = nullptr;
    QLabel* m_commandLabel = nullptr;
    QListView* m_script = nullptr;
    QListWidget* m_commands = nullptr;
    std::array<QPushButton*, 6> m_buttons{};
    bool m_initialising = true;
    int m_result = kDebugCancel;
};

} // namespace zrv::ui::qt
