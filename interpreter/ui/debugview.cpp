#include "interpreter/ui/debugview.h"

namespace zrv::ui {

DebugLayout layoutDebugWindow(int w, int h) {
    // Two lists share what the frame, the labels and the buttons leave.
    const int a = (h - 112) / 2;
    DebugLayout l;
    l.frame = Rect::sized(8, 8, w - 16, h - 53);
    l.scriptLabel = Rect::sized(16, 20, 234, 16);
    l.scriptList = Rect::sized(16, 36, w - 32, a);
    l.commandLabel = Rect::sized(16, a + 44, 234, 16);
    l.commandList = Rect::sized(16, a + 60, w - 32, a);
    const int xs[6] = {8, 98, 188, 278, 368, 458};
    for (std::size_t i = 0; i < l.buttons.size(); ++i)
        l.buttons[i] = Rect{xs[i], h - 35, xs[i] + 80, h - 10};
    return l;
}

DebugView::LineState DebugView::state(std::uint32_t line) const {
    if (source.breakpoint && source.breakpoint(line))
        return LineState::Breakpoint;
    return line == current ? LineState::Current : LineState::Plain;
}

std::uint32_t DebugView::background(LineState s) {
    switch (s) {
    case LineState::Breakpoint: return 0xFF0000;
    case LineState::Current: return 0xFFFF00;
    default: return 0xFFFFFF;
    }
}

std::uint32_t DebugView::foreground(LineState s) { return s == LineState::Breakpoint ? 0xFFFFFF : 0x000000; }

bool DebugView::setNext(std::uint32_t line) {
    message.clear();
    if (!source.setNext)
        return false;
    message = source.setNext(line);
    if (!message.empty())
        return false;
    current = line;
    statement = text(line);
    if (statement.size() >= 6)
        statement.erase(0, 6); // the "%04ld  " before the line
    return true;
}

void DebugView::toggleBreakpoint(std::uint32_t line) {
    message.clear();
    if (source.toggleBreakpoint && line >= 1 && line <= lines)
        source.toggleBreakpoint(line);
}

void DebugView::clearAll() {
    message.clear();
    if (source.clearAll)
        source.clearAll();
}

void DebugView::moved(const Rect& r) {
    rect = r;
    if (source.moved)
        source.moved(r);
}

} // namespace zrv::ui
