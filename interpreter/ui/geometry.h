// Window geometry shared by every back end: rectangles, the dialog-unit
// mapping of the dialog font, and the placement rules for dialogs and windows.
#pragma once

#include <cstdint>

namespace zrv::ui {

// Win32 RECT: right and bottom lie just outside.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    static Rect sized(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect moved(int x, int y) const { return sized(x, y, width(), height()); }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// The system measures geometry depends on. The defaults are those of a
// 96-dpi screen with the 8-point dialog font (base units 6 x 13); a back end
// whose font measures otherwise reports its own base units.
struct Metrics {
    int screenWidth = 800;
    int screenHeight = 600;
    int baseX = 6;          // average character width of the dialog font
    int baseY = 13;         // its character height
    int captionHeight = 18; // the caption bar
    int dialogFrame = 3;    // each side of a dialog's modal frame

    int toPixelsX(int du) const;
    int toPixelsY(int du) const;
    // A rectangle in dialog units (client coordinates) in pixels.
    Rect toPixels(const Rect& du) const;
    // The window rectangle of a dialog whose client area is `du` in dialog units,
    // at the template position relative to `origin` (the owner's client origin).
    Rect dialogWindow(const Rect& du, int originX, int originY) const;
    // The main window: as large as the screen, its client area below the caption.
    Rect mainWindow() const { return {0, 0, screenWidth, screenHeight}; }
    Rect mainClient() const { return {0, 0, screenWidth, screenHeight - captionHeight}; }
};

// Where built-in dialogs go: an explicit position (-1 unset) and the two modes.
struct Placement {
    int x = -1, y = -1;
    int horizontal = 3, vertical = 3;
};

// PlaceDialog: the window rectangle of a built-in dialog moved by the
// placement state relative to the main window. The size stays.
Rect PlaceDialog(const Rect& dialog, const Placement& placement, const Rect& mainWindow, int captionHeight);
// PlaceOnScreen: modes 0 keep the coordinate, 1 = 20 from the left/top,
// 2 = 20 from the right/bottom, 3 = centred.
Rect PlaceOnScreen(const Rect& window, int horizontal, int vertical, int screenWidth, int screenHeight);
// PlaceWindow of the support library follows the same rule.
inline Rect PlaceWindow(const Rect& window, int horizontal, int vertical, int screenWidth, int screenHeight) {
    return PlaceOnScreen(window, horizontal, vertical, screenWidth, screenHeight);
}
// AlignToControl: the rectangle a window moved over a control takes: the
// control's screen rectangle in the dialog's client coordinates (the client
// origin lies at clientX, clientY on the screen).
Rect AlignToControl(const Rect& controlOnScreen, int clientX, int clientY);

} // namespace zrv::ui
