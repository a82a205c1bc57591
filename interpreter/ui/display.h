// What the installer shows, without a toolkit: the display objects a script
// defines, the windows that show them (main window, cue card, wait window,
// copy progress dialog) and the drawing operations that paint them. A back end
// keeps its windows in step with this state and paints the operations.
#pragma once

#include "common/objects.h"
#include "interpreter/ui/bitmap.h"
#include "interpreter/ui/geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::ui {

// The kinds, control types and layout bits are shared with the authoring tool.
using ::zrv::ControlType;
using ::zrv::ControlTypeInfo;
using ::zrv::controlTypeInfo;
using ::zrv::findControlType;
using ::zrv::kChildVisible;
using ::zrv::ObjectKind;
namespace Layout = ::zrv::Layout;

struct ControlRecord {
    ControlType type = ControlType::Text;
    std::int32_t id = 0;
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t limit = 128;
    std::int32_t shadow = 0;
    std::int32_t fontHeight = 0;
    std::uint32_t style = 0;
    std::uint32_t colour1 = 0, colour2 = 0; // 0x00BBGGRR
    std::string text;
    std::string variable;
    std::string font;
};

struct DisplayObject {
    ObjectKind kind = ObjectKind::Backdrop;
    std::string name; // upper-cased
    std::string caption;
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t focus = 0;
    std::int32_t border = 0;
    std::int32_t horizontal = 0, vertical = 0;
    std::vector<ControlRecord> controls;
};

class ObjectTable {
public:
    static constexpr int kSlots = 30;
    // Names compare upper-cased.
    DisplayObject* find(std::string_view name);
    const DisplayObject* find(std::string_view name) const;
    // A new object in the first empty slot, after destroying a namesake;
    // nullptr when every slot is taken.
    DisplayObject* create(std::string_view name, ObjectKind kind);
    void remove(std::string_view name);
    void clear();
    int count() const;

private:
    std::array<std::unique_ptr<DisplayObject>, kSlots> m_slots;
};

// Fonts as the renderer asks for them: face, height as given to the font
// creation (negative: character height), weight 400 or 600.
struct Font {
    std::string face = "MS Sans Serif";
    int height = 0;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

// Each back end measures its own fonts.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual Size measure(const Font& font, std::string_view line) const = 0;
};

// A measurer with fixed proportions, for runs without a screen: a character
// is |height| pixels high (13 for height 0) and 6/13 of that wide (at least
// one pixel); a tab counts as eight characters.
class FixedMeasurer : public TextMeasurer {
public:
    Size measure(const Font& font, std::string_view line) const override;
};

// One drawing operation, in client pixels. Colours are 0x00BBGGRR.
struct DrawOp {
    enum class Kind { Fill, Frame, Text, Bitmap } kind = Kind::Fill;
    Rect rect;               // Fill/Frame: the area; Text: the text block; Bitmap: the destination
    std::uint32_t colour = 0;
    std::string text;        // Text: lines separated by "\n", tabs expanded when drawn
    Font font;
    int slot = -1;           // Bitmap: the slot of the window
    bool tile = false;       // Bitmap: repeated from (0, 0) over `rect`
    bool operator==(const DrawOp&) const = default;
};
std::string describe(const DrawOp& op);

// A static icon window a backdrop or cue card places (pixels, client coordinates).
struct IconWindow {
    std::string name;
    int x = 0, y = 0;
};

struct BitmapSlot {
    Dib dib;
    Image image; // what the back end draws
    bool loaded = false;
};

// A window that shows a display object: the main window (its backdrop), the
// cue card, a user dialog.
struct Surface {
    static constexpr int kBitmapSlots = 7;
    std::string objectName; // as it was shown
    std::array<BitmapSlot, kBitmapSlots> slots;
    int used = -1;          // slots in use, -1 for none
    std::vector<IconWindow> icons;
    Rect client;            // its client area in pixels
    void release();
};

// PrepareDisplay: loads the object's bitmaps into the surface's slots and
// places its icon windows (backdrops and cue cards). 0, 10052 or 10058.
// `missing` is told of a bitmap file that cannot be opened.
int PrepareDisplay(Machine& machine, const DisplayObject& object, Surface& surface,
                   const std::function<void(const std::string&)>& missing);

// The object renderer: the operations that paint the surface's object, or
// 10060 in `error` when no object has its name. `metrics` maps dialog units
// for dialogs; `expand` applies #NAME# expansion to texts.
std::vector<DrawOp> RenderObject(const ObjectTable& objects, const Surface& surface, const Metrics& metrics,
                                 const TextMeasurer& measurer, const std::function<std::string(const std::string&)>& expand,
                                 int& error);

// The main window's blue gradient, band by band.
std::vector<DrawOp> Gradient(const Rect& client);

// The wait window: 260 x 55 dialog units; the message's lines centred as a block.
struct WaitWindow {
    bool shown = false;
    std::string title, text;
    Rect window; // on the screen, centred when it was created
    static constexpr int kWidthDu = 260, kHeightDu = 55;
    // The text block and each line's rectangle, centred in `client`.
    std::vector<DrawOp> paint(const Rect& client, const TextMeasurer& measurer) const;
    // Shows the window with a title and text; a window not yet shown is
    // centred on the screen first.
    void show(const Metrics& metrics, std::string titleText, std::string message);
};

// The gauge of the copy progress dialog.
struct Gauge {
    std::int32_t range = 0, position = 0;
    std::uint32_t bar = 0x00FF0000;        // blue, 0x00BBGGRR
    std::uint32_t background = 0x00FFFFFF; // white
    void setRange(std::int32_t n);
    void setPosition(std::int32_t n);
    // The filled width in a client area `width` pixels wide.
    int filled(int clientWidth) const;
    std::string text() const; // "25%", "" with a zero range
    // The text's colour: the bar's inverse, combined by exclusive-or.
    std::uint32_t textColour() const { return ~bar & 0x00FFFFFF; }
    // Where the text goes in the client area.
    int textX(const Rect& client, int textWidth) const { return (client.right - textWidth - client.left) >> 1; }
    int textY(const Rect& client, int textHeight) const { return (client.bottom - textHeight - client.top) >> 1; }
};

struct CopyDialog {
    // The dialog's layout in dialog units (222 x 144 at 75, 78) and its items:
    // group box 100, texts 207, 208, 205, 209, 206, the gauge's place-holder 53
    // and Cancel 2.
    static constexpr Rect kDialog{75, 78, 75 + 222, 78 + 144};
    struct Item {
        int id;
        Rect du;
    };
    static constexpr std::array<Item, 8> kItems{{{100, {6, 3, 215, 114}},
                                                 {207, {15, 17, 202, 25}},
                                                 {208, {15, 31, 72, 39}},
                                                 {205, {15, 40, 207, 48}},
                                                 {209, {15, 55, 73, 63}},
                                                 {206, {15, 64, 207, 72}},
                                                 {53, {13, 86, 194, 102}},
                                                 {2, {89, 124, 134, 138}}}};
    bool shown = false;
    std::string title;
    std::array<std::string, 3> captions; // 208 "Source File", 209 "Destination File", 2 "&Cancel"
    std::array<std::string, 3> fields;   // 207 description, 205 source, 206 target
    Gauge gauge;
};

// The whole state: everything a back end shows.
struct Display {
    Metrics metrics;
    ObjectTable objects;
    Placement placement;
    struct {
        bool visible = false;
        std::string title;
        Surface surface; // objectName = the current backdrop
    } main;
    struct {
        bool shown = false;
        Rect rect; // on the main window's client area
        Surface surface;
    } cue;
    WaitWindow wait;
    CopyDialog copy;
};

} // namespace zrv::ui
