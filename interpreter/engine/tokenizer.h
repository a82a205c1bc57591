// One script line into token bytes: keywords become codes; labels, variables,
// strings and numbers become parameter tokens whose values wait, in order, in
// the string pool and the number pool.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zrv::engine {

inline constexpr std::size_t kMaxLineLength = 300;
inline constexpr std::size_t kPoolCapacity = 25;
inline constexpr std::size_t kMaxNameLength = 19;

// The values of one line's parameter tokens, in the order they were written;
// an entry past the end reads as the empty text / 0.
class StringPool {
public:
    int push(std::string text);
    const std::string& at(std::size_t index) const;
    void reset();
    std::size_t size() const { return m_count; }

private:
    std::array<std::string, kPoolCapacity> m_items;
    std::size_t m_count = 0;
};

class NumberPool {
public:
    int push(std::int32_t n);
    std::int32_t at(std::size_t index) const;
    void reset();
    std::size_t size() const { return m_count; }

private:
    std::array<std::int32_t, kPoolCapacity> m_items{};
    std::size_t m_count = 0;
};

using TokenBytes = std::array<unsigned char, kMaxLineLength + 1>;

struct TokenLine {
    std::string source; // the folded copy
    TokenBytes tokens{}; // NUL-terminated
    // For each parameter token, the index of its value in its pool, so a value
    // is found by the parameter's position and never by the order it is read.
    TokenBytes slots{};
    std::size_t length = 0; // token bytes written
};

// Bytes of 0x80 and above outside quotes would read as keyword codes; they are
// written as this byte instead, which no statement accepts.
inline constexpr unsigned char kForeignByte = 0x7F;

using VariableLookup = std::function<std::string(std::string_view name)>;

// Returns 0 or an error number; the pools are emptied first.
int Tokenize(TokenLine& line, std::string_view source, StringPool& strings, NumberPool& numbers,
             const VariableLookup& lookup);

} // namespace zrv::engine
