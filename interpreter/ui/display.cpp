#include "interpreter/ui/display.h"

#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <algorithm>
#include <cstdio>

namespace zrv::ui {

namespace {


std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t nl = text.find('\n', start);
        lines.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos)
            return lines;
        start = nl + 1;
    }
}

// The block a multi-line text takes: the widest line, the sum of the line
// heights, an empty line measured as "W".
Size measureBlock(const TextMeasurer& m, const Font& font, const std::vector<std::string>& lines,
                  std::vector<Size>* each = nullptr) {
    Size block;
    for (const std::string& line : lines) {
        Size s = m.measure(font, line.empty() ? std::string_view("W") : std::string_view(line));
        block.width = std::max(block.width, s.width);
        block.height += s.height;
        if (each)
            each->push_back(s);
    }
    return block;
}

void fill(std::vector<DrawOp>& ops, const Rect& r, std::uint32_t colour) {
    DrawOp op;
    op.kind = DrawOp::Kind::Fill;
    op.rect = r;
    op.colour = colour;
    ops.push_back(std::move(op));
}

// n nested one-pixel frames from inset `from`, top and left in one colour,
// right and bottom in another, on a rectangle whose right and bottom lie
// just outside.
void frames(std::vector<DrawOp>& ops, const Rect& r, int from, int n, std::uint32_t topLeft, std::uint32_t bottomRight) {
    for (int i = from; i < from + n; ++i) {
        int l = r.left + i, t = r.top + i, rr = r.right - i, b = r.bottom - i;
        if (rr <= l || b <= t)
            break;
        fill(ops, {l, t, rr, t + 1}, topLeft);
        fill(ops, {l, t, l + 1, b}, topLeft);
        fill(ops, {rr - 1, t, rr, b}, bottomRight);
        fill(ops, {l, b - 1, rr, b}, bottomRight);
    }
}

std::string upper(std::string_view s) { return upperAnsi(std::string(s)); }

// The layout flags move a block of w x h against the client area: to the right
// or bottom edge, `margin` pixels inside it, or to the centre.
void align(std::uint32_t style, const Rect& client, int w, int h, int margin, int& x, int& y) {
    if (style & Layout::Right)
        x = client.right - w - margin;
    if (style & Layout::CentreH)
        x = (client.right - w) / 2;
    if (style & Layout::Bottom)
        y = client.bottom - h - margin;
    if (style & Layout::CentreV)
        y = (client.bottom - h) / 2;
}

} // namespace


DisplayObject* ObjectTable::find(std::string_view name) {
    std::string key = upper(name);
    for (auto& slot : m_slots)
        if (slot && slot->name == key)
            return slot.get();
    return nullptr;
}

const DisplayObject* ObjectTable::find(std::string_view name) const {
    return const_cast<ObjectTable*>(this)->find(name);
}

DisplayObject* ObjectTable::create(std::string_view name, ObjectKind kind) {
    remove(name);
    for (auto& slot : m_slots) {
        if (!slot) {
            slot = std::make_unique<DisplayObject>();
            slot->name = upper(name);
            slot->kind = kind;
            return slot.get();
        }
    }
    return nullptr;
}

void ObjectTable::remove(std::string_view name) {
    std::string key = upper(name);
    for (auto& slot : m_slots)
        if (slot && slot->name == key)
            slot.reset();
}

void ObjectTable::clear() {
    for (auto& slot : m_slots)
        slot.reset();
}

int ObjectTable::count() const {
    return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(), [](const auto& s) { return s != nullptr; }));
}

Size FixedMeasurer::measure(const Font& font, std::string_view line) const {
    int h = font.height == 0 ? 13 : std::abs(font.height);
    int w = std::max(1, h * 6 / 13);
    int chars = 0;
    for (char c : line)
        chars += c == '\t' ? 8 : 1;
    return {chars * w, h};
}

std::string describe(const DrawOp& op) {
    char buf[96];
    const Rect& r = op.rect;
    switch (op.kind) {
    case DrawOp::Kind::Fill:
        std::snprintf(buf, sizeof buf, "fill %d,%d,%d,%d #%06X", r.left, r.top, r.right, r.bottom, op.colour);
        return buf;
    case DrawOp::Kind::Frame:
        std::snprintf(buf, sizeof buf, "frame %d,%d,%d,%d #%06X", r.left, r.top, r.right, r.bottom, op.colour);
        return buf;
    case DrawOp::Kind::Bitmap:
        std::snprintf(buf, sizeof buf, "bitmap %d %d,%d,%d,%d%s", op.slot, r.left, r.top, r.right, r.bottom,
                      op.tile ? " tiled" : "");
        return buf;
    case DrawOp::Kind::Text:
        std::snprintf(buf, sizeof buf, "text %d,%d,%d,%d #%06X ", r.left, r.top, r.right, r.bottom, op.colour);
        return buf + op.text;
    }
    return {};
}

void Surface::release() {
    for (BitmapSlot& s : slots)
        s = BitmapSlot{};
    used = -1;
    icons.clear();
}

int PrepareDisplay(Machine& machine, const DisplayObject& object, Surface& surface,
                   const std::function<void(const std::string&)>& missing) {
    surface.used = -1;
    surface.icons.clear();
    int next = 0;
    for (const ControlRecord& c : object.controls) {
        if (c.type == ControlType::Bitmap) {
            if (next >= Surface::kBitmapSlots)
                return 10058;
            BitmapSlot& slot = surface.slots[next];
            slot = BitmapSlot{};
            surface.used = next++;
            BitmapLoad r = LoadBitmapFile(machine, c.text, slot.dib);
            if (r == BitmapLoad::NotFound && missing)
                missing(c.text);
            if (r != BitmapLoad::Loaded)
                return 10052;
            slot.loaded = toImage(slot.dib, slot.image);
            if (!slot.loaded)
                slot.dib = Dib{}; // nothing a screen could show
            continue;
        }
        if (c.type == ControlType::Icon && object.kind != ObjectKind::Dialog) {
            IconWindow icon{c.text, c.x, c.y};
            const Rect& client = surface.client;
            if (c.style & Layout::Right)
                icon.x = client.right - c.x - 34;
            if (c.style & Layout::CentreH)
                icon.x = c.x + (client.right - 32) / 2;
            if (c.style & Layout::Bottom)
                icon.y = client.bottom - c.y - 33;
            if (c.style & Layout::CentreV)
                icon.y = c.y + (client.bottom - 33) / 2;
            surface.icons.push_back(std::move(icon));
        }
    }
    return 0;
}

std::vector<DrawOp> RenderObject(const ObjectTable& objects, const Surface& surface, const Metrics& metrics,
                                 const TextMeasurer& measurer, const std::function<std::string(const std::string&)>& expand,
                                 int& error) {
    std::vector<DrawOp> ops;
    error = 0;
    const DisplayObject* object = objects.find(surface.objectName);
    if (!object) {
        error = 10060;
        return ops;
    }
    const Rect& client = surface.client;
    bool dialog = object->kind == ObjectKind::Dialog;
    auto mapX = [&](int v) { return dialog ? metrics.toPixelsX(v) : v; };
    auto mapY = [&](int v) { return dialog ? metrics.toPixelsY(v) : v; };

    if (object->kind == ObjectKind::CueCard) {
        fill(ops, client, 0x00C0C0C0);
        // The frame's rectangle: the client area less one pixel right and bottom,
        // so its outer pixels are the client area's last ones.
        switch (object->border) {
        case 1: frames(ops, client, 0, 1, 0, 0); break;
        case 2: frames(ops, client, 3, 2, 0x00404040, 0x00FFFFFF); break;
        case 3: frames(ops, client, 0, 5, 0x00808040, 0x00FFFFFF); break;
        default: break;
        }
    }

    int bitmapIndex = 0;
    for (const ControlRecord& c : object->controls) {
        switch (c.type) {
        case ControlType::Bitmap: {
            int slot = bitmapIndex++;
            if (slot >= Surface::kBitmapSlots || !surface.slots[slot].loaded)
                break;
            const Image& image = surface.slots[slot].image;
            DrawOp op;
            op.kind = DrawOp::Kind::Bitmap;
            op.slot = slot;
            if (c.style & Layout::Tile) {
                op.tile = true;
                op.rect = client;
                ops.push_back(std::move(op));
                break;
            }
            int x = mapX(c.x), y = mapY(c.y);
            align(c.style, client, image.width, image.height, 2, x, y);
            op.rect = Rect::sized(x, y, image.width, image.height);
            ops.push_back(std::move(op));
            break;
        }
        case ControlType::ColourBlock: {
            Rect r;
            if (dialog) {
                // Corners mapped as the inclusive rectangle they are.
                r = {mapX(c.x), mapY(c.y), mapX(c.x + c.width - 1) + 1, mapY(c.y + c.height - 1) + 1};
            } else {
                int left = c.x, top = c.y;
                align(c.style, client, c.width, c.height, 1, left, top);
                r = Rect::sized(left, top, c.width, c.height);
            }
            if (r.width() > 0 && r.height() > 0)
                fill(ops, r, c.colour1);
            break;
        }
        case ControlType::Text: {
            if (c.text.empty())
                break;
            Font font{c.font, c.fontHeight, (c.style & Layout::Bold) != 0};
            std::string text = expand ? expand(c.text) : c.text;
            std::vector<std::string> lines = splitLines(text);
            Size block = measureBlock(measurer, font, lines);
            int s = c.shadow;
            int width = block.width + s, height = block.height + s;
            int x = mapX(c.x), y = mapY(c.y);
            align(c.style, client, width, height, 1, x, y);
            if (c.style & Layout::Frame) {
                DrawOp frame;
                frame.kind = DrawOp::Kind::Frame;
                frame.rect = Rect::sized(x, y, width, height);
                frame.colour = c.colour1;
                ops.push_back(std::move(frame));
            }
            DrawOp op;
            op.kind = DrawOp::Kind::Text;
            op.text = text;
            op.font = font;
            if (s != 0) {
                op.rect = Rect::sized(x + s, y + s, block.width, block.height);
                op.colour = c.colour2;
                ops.push_back(op);
            }
            op.rect = Rect::sized(x, y, block.width, block.height);
            op.colour = c.colour1;
            ops.push_back(std::move(op));
            break;
        }
        default: break; // windows paint themselves
        }
    }
    return ops;
}

std::vector<DrawOp> Gradient(const Rect& client) {
    std::vector<DrawOp> ops;
    int h = client.height(), band = h / 256 + 1, intensity = 255;
    for (int y = 0; y <= h && intensity >= 0; y += band, --intensity)
        fill(ops, {client.left, client.top + y, client.right, client.top + y + band},
             static_cast<std::uint32_t>(intensity) << 16);
    return ops;
}

void WaitWindow::show(const Metrics& m, std::string titleText, std::string message) {
    if (!shown)
        window = PlaceOnScreen(m.dialogWindow(Rect::sized(0, 0, kWidthDu, kHeightDu), 0, 0), 3, 3, m.screenWidth,
                               m.screenHeight);
    shown = true;
    title = std::move(titleText);
    text = std::move(message);
}

std::vector<DrawOp> WaitWindow::paint(const Rect& client, const TextMeasurer& measurer) const {
    std::vector<DrawOp> ops;
    fill(ops, client, 0x00C0C0C0);
    Font font;
    std::vector<std::string> lines = splitLines(text);
    std::vector<Size> each;
    Size block = measureBlock(measurer, font, lines, &each);
    int left = client.left + (client.width() - block.width) / 2;
    int y = client.top + (client.height() - block.height) / 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        DrawOp op;
        op.kind = DrawOp::Kind::Text;
        op.font = font;
        op.text = lines[i];
        int w = lines[i].empty() ? 0 : each[i].width;
        op.rect = Rect::sized(left + (block.width - w) / 2, y, w, each[i].height);
        y += each[i].height;
        ops.push_back(std::move(op));
    }
    return ops;
}

void Gauge::setRange(std::int32_t n) {
    range = n;
    position = std::min(position, n);
}

void Gauge::setPosition(std::int32_t n) { position = std::min(range, n); }

int Gauge::filled(int clientWidth) const {
    if (range == 0 || position == 0)
        return 0;
    if (position == range)
        return clientWidth;
    // Columns 0 to the client's right edge inclusive.
    return static_cast<int>(static_cast<std::int64_t>(position) * (clientWidth + 1) / range);
}

std::string Gauge::text() const {
    if (range == 0)
        return {};
    return std::to_string(static_cast<std::int64_t>(position) * 100 / range) + "%";
}

} // namespace zrv::ui
