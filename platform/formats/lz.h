// Reading files in the SZDD format that COMPRESS.EXE writes, as the LZ
// expansion functions do: a compressed file reads as its expanded content, any
// other file reads unchanged.
#pragma once

#include "platform/files/file.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zrv {

class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual Result<std::size_t> read(void* buffer, std::size_t count) = 0;
    virtual Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual Result<std::uint64_t> size() = 0;
    virtual bool expanding() const = 0;
    // The last-write time of the file read (the compressed file itself).
    virtual Result<FileTime> lastWriteTime() = 0;
};

inline constexpr std::size_t kSzddHeaderSize = 14;
bool isSzddHeader(const unsigned char* bytes, std::size_t count);

// Takes the open file; reads through the expander when it is SZDD-compressed.
// Expansion ends where the compressed data ends; data that ends before the
// length its header gives, or in the middle of a pair, is a read error.
Result<std::unique_ptr<ByteReader>> openExpanding(File file);

// Streams through fixed buffers, so memory stays bounded whatever the size:
// `read` fills up to `count` bytes and returns how many (0 at the end);
// `write` takes every byte it is given or fails.
using ReadSome = std::function<Result<std::size_t>(void* buffer, std::size_t count)>;
using WriteAll = std::function<Result<void>(const void* bytes, std::size_t count)>;
// The two over memory: reading `data` (which must outlive the reader), and
// appending to `out`.
ReadSome readFromMemory(std::string_view data);
WriteAll appendTo(std::string& out);

// Expands an SZDD image (header included) from `read` to `write`; returns the
// bytes expanded.
Result<std::uint64_t> szddExpandStream(const ReadSome& read, const WriteAll& write);
// Compresses `size` bytes from `read`, holding `chunk` bytes of them at a time;
// the output is the same for every chunk. An input that turns out longer or
// shorter than `size` fails.
Result<void> szddCompressStream(std::uint64_t size, const ReadSome& read, const WriteAll& write, char missing = 0,
                                std::size_t chunk = 8u << 20);

// Expands an SZDD image in memory.
Result<std::string> szddExpand(std::string_view compressed);
// Compresses to an SZDD image; `missing` is the file name's last character that
// the compressed name replaces with '_' (0 when none). Inputs of 2 GB and more
// are refused.
Result<std::string> szddCompress(std::string_view data, char missing = 0);

} // namespace zrv
