// Reading files in the SZDD format that COMPRESS.EXE writes, as the LZ
// expansion functions do: a compressed file reads as its expanded content, any
// other file reads unchanged.
#pragma once

#include "platform/machine.h"

#include <memory>

namespace zrv {

class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual Result<std::size_t> read(void* buffer, std::size_t count) = 0;
    virtual Result<std::uint64_t> seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual Result<std::uint64_t> size() = 0;
    virtual bool expanding() const = 0;
};

inline constexpr std::size_t kSzddHeaderSize = 14;
bool isSzddHeader(const unsigned char* bytes, std::size_t count);

// Takes the open file; reads through the expander when it is SZDD-compressed.
Result<std::unique_ptr<ByteReader>> openExpanding(File file);

} // namespace zrv
