// Windows bitmap files (.BMP): loaded into one block in the device-independent
// form (info header, colour table, pixel rows) and turned into an image any
// back end can draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::ui {

struct Dib {
    static constexpr std::size_t kHeaderSize = 40;
    std::vector<std::uint8_t> block; // header, colour table, pixel rows (bottom row first)

    std::uint32_t field(std::size_t offset) const;
    std::int32_t width() const { return static_cast<std::int32_t>(field(4)); }
    std::int32_t height() const { return static_cast<std::int32_t>(field(8)); }
    int bitCount() const { return static_cast<int>(field(14) & 0xFFFF); }
    std::uint32_t compression() const { return field(16); }
    std::uint32_t imageSize() const { return field(20); }
    std::uint32_t coloursUsed() const { return field(32); }
    // The colour count: colours used, else 2, 16 or 256 by bit count, else 0.
    std::uint32_t colourCount() const;
    // Where the pixel rows start in the block.
    std::size_t pixelStart() const { return kHeaderSize + static_cast<std::size_t>(colourCount()) * 4; }
    bool empty() const { return block.empty(); }
};

enum class BitmapLoad { Loaded, NotFound, Invalid };

// LoadBitmapFile: NotFound when the file cannot be opened (the caller shows
// "File Not Found!"), Invalid for anything that is not a complete bitmap.
// Sizes the file cannot hold are refused before anything is allocated.
BitmapLoad LoadBitmapFile(Machine& machine, std::string_view path, Dib& out);

// Pixels as 0x00RRGGBB, top row first.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The image a loaded block shows: 1, 4, 8, 16, 24 and 32 bits per pixel,
// run-length encoded 4- and 8-bit bitmaps, top-down rows. False for what
// cannot be drawn (unknown formats, images above 16 megapixels).
bool toImage(const Dib& dib, Image& out);

} // namespace zrv::ui
