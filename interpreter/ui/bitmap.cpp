#include "interpreter/ui/bitmap.h"

#include "platform/machine/machine.h"

#include <algorithm>
#include <cstring>

namespace zrv::ui {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool readAll(File& f, std::uint8_t* to, std::size_t count) {
    // Pieces of at most 32767 bytes, as the loader always read them.
    while (count > 0) {
        std::size_t piece = std::min<std::size_t>(count, 32767);
        auto n = f.read(to, piece);
        if (!n || *n != piece)
            return false;
        to += piece;
        count -= piece;
    }
    return true;
}

constexpr std::uint64_t kMaxPixels = 16ull << 20; // 4096 x 4096

} // namespace

std::uint32_t Dib::field(std::size_t offset) const {
    return offset + 4 <= block.size() ? le32(block.data() + offset) : 0;
}

std::uint32_t Dib::colourCount() const {
    if (coloursUsed() != 0)
        return coloursUsed();
    switch (bitCount()) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

BitmapLoad LoadBitmapFile(Machine& machine, std::string_view path, Dib& out) {
    out.block.clear();
    auto opened = machine.openFile(path, Access::Read, Disposition::OpenExisting);
    if (!opened)
        return BitmapLoad::NotFound;
    File& f = *opened;
    auto fileSize = f.size();
    if (!fileSize)
        return BitmapLoad::Invalid;
    std::uint8_t fileHeader[14];
    if (!readAll(f, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return BitmapLoad::Invalid;
    std::uint32_t pixelOffset = le32(fileHeader + 10);

    std::vector<std::uint8_t> block(Dib::kHeaderSize + 256 * 4);
    if (!readAll(f, block.data(), Dib::kHeaderSize))
        return BitmapLoad::Invalid;
    std::uint32_t headerSize = le32(block.data());
    if (headerSize == 12 || headerSize < Dib::kHeaderSize)
        return BitmapLoad::Invalid; // the core format, or no info header at all
    // A larger header (V4, V5) holds more than the block keeps: its colour
    // table follows the whole header, and the block says what it holds.
    if (headerSize > Dib::kHeaderSize) {
        if (!f.seek(14 + static_cast<std::int64_t>(headerSize), SeekOrigin::Begin))
            return BitmapLoad::Invalid;
        put32(block.data(), Dib::kHeaderSize);
    }
    std::int64_t width = static_cast<std::int32_t>(le32(block.data() + 4));
    std::int64_t height = static_cast<std::int32_t>(le32(block.data() + 8));
    std::uint32_t bitCount = le32(block.data() + 14) & 0xFFFF;
    if (width <= 0 || height == 0 || bitCount == 0 || bitCount > 32)
        return BitmapLoad::Invalid;

    std::uint64_t colours = le32(block.data() + 32);
    // Only bitmaps of up to 8 bits per pixel have a colour table to default.
    if (colours == 0 && bitCount <= 8)
        colours = 1u << bitCount;
    std::uint64_t imageSize = le32(block.data() + 20);
    if (imageSize == 0)
        imageSize = ((bitCount * static_cast<std::uint64_t>(width) + 31) / 32) * 4 *
                    static_cast<std::uint64_t>(height < 0 ? -height : height);
    // Whatever the header claims, the file has to hold it: refuse before
    // allocating what a short read would waste.
    std::uint64_t need = colours * 4 + imageSize;
    if (need > *fileSize || imageSize > 0xFFFFFFFFu)
        return BitmapLoad::Invalid;
    put32(block.data() + 32, static_cast<std::uint32_t>(colours));
    put32(block.data() + 20, static_cast<std::uint32_t>(imageSize));

    block.resize(Dib::kHeaderSize + need);
    if (!readAll(f, block.data() + Dib::kHeaderSize, colours * 4))
        return BitmapLoad::Invalid;
    if (pixelOffset != 0 && !f.seek(pixelOffset, SeekOrigin::Begin))
        return BitmapLoad::Invalid;
    if (!readAll(f, block.data() + Dib::kHeaderSize + colours * 4, imageSize))
        return BitmapLoad::Invalid;
    out.block = std::move(block);
    return BitmapLoad::Loaded;
}

namespace {

// Run-length encoded rows (4 or 8 bits) into one index per pixel.
bool decodeRle(const std::uint8_t* p, std::size_t n, int bits, int width, int height,
               std::vector<std::uint8_t>& indices) {
    indices.assign(static_cast<std::size_t>(width) * height, 0);
    int x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](std::uint8_t v) {
        if (x < width && y < height)
            indices[static_cast<std::size_t>(y) * width + x] = v;
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < n) {
        std::uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < width; ++k)
                put(bits == 8 ? value : static_cast<std::uint8_t>(k % 2 == 0 ? value >> 4 : value & 15));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (i + 1 >= n)
                return false;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // an absolute run, padded to a word
            std::size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            if (i + bytes > n)
                return false;
            for (int k = 0; k < value; ++k)
                put(bits == 8 ? p[i + k] : static_cast<std::uint8_t>(k % 2 == 0 ? p[i + k / 2] >> 4 : p[i + k / 2] & 15));
            i += (bytes + 1) & ~std::size_t{1};
        }
        if (y >= height)
            return true;
    }
    return true;
}

} // namespace

bool toImage(const Dib& dib, Image& out) {
    out = Image{};
    if (dib.block.size() < Dib::kHeaderSize)
        return false;
    std::int64_t width = dib.width(), height = dib.height();
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    int bits = dib.bitCount();
    std::uint32_t compression = dib.compression();
    if (width <= 0 || height <= 0 || static_cast<std::uint64_t>(width * height) > kMaxPixels)
        return false;
    std::size_t start = dib.pixelStart();
    if (start > dib.block.size())
        return false;
    const std::uint8_t* pixels = dib.block.data() + start;
    std::size_t available = dib.block.size() - start;

    std::uint32_t colours = dib.colourCount();
    auto palette = [&](std::uint32_t index) -> std::uint32_t {
        if (index >= colours)
            return 0;
        const std::uint8_t* c = dib.block.data() + Dib::kHeaderSize + index * 4;
        return (c[2] << 16) | (c[1] << 8) | c[0];
    };

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<std::size_t>(width * height), 0);
    auto rowOf = [&](std::int64_t stored) { return static_cast<int>(topDown ? stored : height - 1 - stored); };

    if (compression == 1 || compression == 2) { // RLE8, RLE4
        if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) || topDown)
            return false;
        std::vector<std::uint8_t> indices;
        if (!decodeRle(pixels, std::min<std::size_t>(available, dib.imageSize()), bits, out.width, out.height,
                       indices))
            return false;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                out.pixels[static_cast<std::size_t>(rowOf(y)) * out.width + x] =
                    palette(indices[static_cast<std::size_t>(y) * out.width + x]);
        return true;
    }
    if (compression != 0 && compression != 3)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    std::size_t stride = ((static_cast<std::size_t>(bits) * width + 31) / 32) * 4;
    if (stride * height > available)
        return false;
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* r = pixels + row * stride;
        std::uint32_t* to = out.pixels.data() + static_cast<std::size_t>(rowOf(row)) * out.width;
        for (int x = 0; x < out.width; ++x) {
            switch (bits) {
            case 1: to[x] = palette((r[x / 8] >> (7 - x % 8)) & 1); break;
            case 4: to[x] = palette(x % 2 == 0 ? r[x / 2] >> 4 : r[x / 2] & 15); break;
            case 8: to[x] = palette(r[x]); break;
            case 16: { // 5-5-5, also for bit fields
                unsigned v = r[2 * x] | (r[2 * x + 1] << 8);
                unsigned red = (v >> 10) & 31, green = (v >> 5) & 31, blue = v & 31;
                to[x] = ((red * 255 / 31) << 16) | ((green * 255 / 31) << 8) | (blue * 255 / 31);
                break;
            }
            case 24: to[x] = (r[3 * x + 2] << 16) | (r[3 * x + 1] << 8) | r[3 * x]; break;
            default: to[x] = (r[4 * x + 2] << 16) | (r[4 * x + 1] << 8) | r[4 * x]; break;
            }
        }
    }
    return true;
}

} // namespace zrv::ui
