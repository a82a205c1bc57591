#include "interpreter/ui/geometry.h"

namespace zrv::ui {

namespace {
// MulDiv: rounds half away from zero.
int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}
} // namespace

int Metrics::toPixelsX(int du) const { return mulDiv(du, baseX, 4); }
int Metrics::toPixelsY(int du) const { return mulDiv(du, baseY, 8); }

Rect Metrics::toPixels(const Rect& du) const {
    return {toPixelsX(du.left), toPixelsY(du.top), toPixelsX(du.right), toPixelsY(du.bottom)};
}

Rect Metrics::dialogWindow(const Rect& du, int originX, int originY) const {
    Rect client = toPixels(du);
    int width = client.width() + 2 * dialogFrame;
    int height = client.height() + 2 * dialogFrame + captionHeight;
    return Rect::sized(originX + client.left, originY + client.top, width, height);
}

Rect PlaceDialog(const Rect& dialog, const Placement& p, const Rect& main, int captionHeight) {
    // The sizes as the placement table counts them: right - left + 1.
    int w = dialog.width() + 1, h = dialog.height() + 1;
    int x = dialog.left, y = dialog.top;
    switch (p.horizontal) {
    case 0: x = p.x != -1 ? p.x : dialog.left; break;
    case 1: x = 20; break;
    case 2: x = main.right - w - 21; break;
    case 3: x = (main.right - w - 1) / 2; break;
    default: break;
    }
    switch (p.vertical) {
    case 0: y = p.y != -1 ? p.y : dialog.top; break;
    case 1: y = captionHeight + 20; break;
    case 2: y = main.bottom - h - 21; break;
    case 3: y = (main.bottom - h - 1) / 2; break;
    default: break;
    }
    return dialog.moved(x, y);
}

Rect PlaceOnScreen(const Rect& window, int horizontal, int vertical, int screenWidth, int screenHeight) {
    int x = window.left, y = window.top, w = window.width(), h = window.height();
    if (horizontal == 1)
        x = 20;
    else if (horizontal == 2)
        x = screenWidth - w - 20;
    else if (horizontal == 3)
        x = (screenWidth - w) / 2;
    if (vertical == 1)
        y = 20;
    else if (vertical == 2)
        y = screenHeight - h - 20;
    else if (vertical == 3)
        y = (screenHeight - h) / 2;
    return window.moved(x, y);
}

Rect AlignToControl(const Rect& control, int clientX, int clientY) {
    return Rect{control.left - clientX, control.top - clientY, control.right - clientX, control.bottom - clientY};
}

} // namespace zrv::ui
