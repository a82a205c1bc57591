#include "interpreter/engine/tokenizer.h"

#include "interpreter/engine/errors.h"
#include "interpreter/engine/keywords.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zrv::engine {

int StringPool::push(std::string text) {
    if (m_count >= kPoolCapacity)
        return kErrStackFull;
    m_items[m_count++] = std::move(text);
    return 0;
}

const std::string& StringPool::at(std::size_t index) const {
    static const std::string empty;
    return index < m_count ? m_items[index] : empty;
}

void StringPool::reset() { m_count = 0; }

int NumberPool::push(std::int32_t n) {
    if (m_count >= kPoolCapacity)
        return kErrStackFull;
    m_items[m_count++] = n;
    return 0;
}

std::int32_t NumberPool::at(std::size_t index) const { return index < m_count ? m_items[index] : 0; }

void NumberPool::reset() { m_count = 0; }

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The keywords that begin with a byte, in table order: the first of them that
// matches is the one the whole table's first match would be, without trying
// the other 140 at every position.
const std::vector<unsigned char>& keywordsStartingWith(char c) {
    static const auto buckets = [] {
        static_assert(kKeywordCount <= 256);
        std::array<std::vector<unsigned char>, 256> b;
        for (std::size_t i = 0; i < kKeywords.size(); ++i)
            b[static_cast<unsigned char>(kKeywords[i].text.front())].push_back(static_cast<unsigned char>(i));
        return b;
    }();
    return buckets[static_cast<unsigned char>(c)];
}

class Scanner {
public:
    Scanner(TokenLine& line, StringPool& strings, NumberPool& numbers, const VariableLookup& lookup)
        : m_line(line), m_src(line.source), m_strings(strings), m_numbers(numbers), m_lookup(lookup) {}

    int run() {
        while (m_pos < m_src.size()) {
            char c = m_src[m_pos];
            if (c == ' ' || c == '\t') {
                ++m_pos;
                continue;
            }
            int err = 0;
            if (c == ':') {
                err = label();
            } else if (c == '%') {
                err = variable();
            } else if (c == '"') {
                err = string();
            } else if (isDigit(c) || ((c == '+' || c == '-') && m_pos + 1 < m_src.size() && isDigit(m_src[m_pos + 1]))) {
                err = number();
            } else if (c == '/' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '/') {
                break; // a comment runs to the end of the line
            } else {
                err = keywordOrCharacter();
            }
            if (err)
                return err;
        }
        return 0;
    }

private:
    void emit(unsigned char b) {
        if (m_line.length < kMaxLineLength)
            m_line.tokens[m_line.length++] = b;
    }

    // A parameter token, with the pool entry that holds its value.
    int emitString(unsigned char kind, std::string text) {
        std::size_t slot = m_strings.size();
        if (m_line.length < kMaxLineLength)
            m_line.slots[m_line.length] = static_cast<unsigned char>(slot);
        emit(kind);
        return m_strings.push(std::move(text));
    }
    int emitNumber(std::int32_t n) {
        std::size_t slot = m_numbers.size();
        if (m_line.length < kMaxLineLength)
            m_line.slots[m_line.length] = static_cast<unsigned char>(slot);
        emit(kTokenNumber);
        return m_numbers.push(n);
    }

    int label() {
        ++m_pos;
        std::string name;
        if (m_pos < m_src.size() && m_src[m_pos] != ' ') {
            while (m_pos < m_src.size()) {
                auto u = static_cast<unsigned char>(m_src[m_pos]);
                if (u <= ' ' || u > 'z')
                    break;
                name += m_src[m_pos++];
                if (name.size() > kMaxNameLength)
                    return kErrLabelTooLong;
            }
        }
        return emitString(kTokenLabel, std::move(name));
    }

    int variable() {
        ++m_pos;
        std::string name;
        for (;;) {
            if (m_pos >= m_src.size())
                return kErrNameTooLong; // no closing '%'
            char c = m_src[m_pos++];
            if (c == '%')
                break;
            name += c;
            if (name.size() > kMaxNameLength)
                return kErrNameTooLong;
        }
        return emitString(kTokenVariable, std::move(name));
    }

    int string() {
        ++m_pos;
        std::string text;
        auto add = [&](char c) -> int {
            if (text.size() >= kMaxLineLength)
                return kErrTextTooLong;
            text += c;
            return 0;
        };
        for (;;) {
            if (m_pos >= m_src.size())
                return kErrInvalidString;
            char c = m_src[m_pos];
            if (c == '"') {
                ++m_pos;
                break;
            }
            if (c == '%') {
                if (m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '%') {
                    m_pos += 2;
                    if (int e = add('%'))
                        return e;
                    continue;
                }
                ++m_pos;
                std::string name;
                for (;;) {
                    if (m_pos >= m_src.size())
                        return kErrInvalidVariable;
                    char n = m_src[m_pos++];
                    if (n == '%')
                        break;
                    name += n;
                    if (name.size() > kMaxNameLength)
                        return kErrNameTooLong;
                }
                std::string value = m_lookup ? m_lookup(name) : std::string();
                if (text.size() + value.size() > kMaxLineLength)
                    return kErrConcatTooLong;
                text += value;
                continue;
            }
            if (c == '^') {
                char next = m_pos + 1 < m_src.size() ? m_src[m_pos + 1] : '\0';
                if (isDigit(next)) {
                    // Three characters are taken; trailing non-digits go back.
                    std::size_t take = std::min<std::size_t>(3, m_src.size() - (m_pos + 1));
                    std::string_view digits(m_src.data() + m_pos + 1, take);
                    while (!digits.empty() && !isDigit(digits.back()))
                        digits.remove_suffix(1);
                    int value = 0;
                    for (char d : digits) {
                        if (!isDigit(d))
                            break;
                        value = value * 10 + (d - '0');
                    }
                    m_pos += 1 + digits.size();
                    text += static_cast<char>(value & 0xFF);
                    if (text.size() > kMaxLineLength - 1)
                        return kErrTextTooLong;
                    continue;
                }
                if (next == '^') {
                    m_pos += 2;
                    if (int e = add('^'))
                        return e;
                    continue;
                }
                ++m_pos;
                if (int e = add('^'))
                    return e;
                continue;
            }
            ++m_pos;
            if (int e = add(c == '|' ? '\n' : c))
                return e;
        }
        return emitString(kTokenString, std::move(text));
    }

    int number() {
        bool negative = false;
        if (m_src[m_pos] == '+' || m_src[m_pos] == '-')
            negative = m_src[m_pos++] == '-';
        std::uint32_t value = 0;
        while (m_pos < m_src.size() && isDigit(m_src[m_pos]))
            value = value * 10u + static_cast<std::uint32_t>(m_src[m_pos++] - '0'); // wraps, as 32-bit arithmetic does
        if (negative)
            value = 0u - value;
        return emitNumber(static_cast<std::int32_t>(value));
    }

    int keywordOrCharacter() {
        std::string_view rest(m_src.data() + m_pos, m_src.size() - m_pos);
        for (unsigned char i : keywordsStartingWith(rest.front())) {
            const KeywordEntry& k = kKeywords[i];
            // The second byte rules most of a bucket out before a comparison.
            if (k.text.size() > rest.size() || (k.text.size() > 1 && k.text[1] != rest[1]) || !rest.starts_with(k.text))
                continue;
            m_pos += k.text.size();
            if (k.kind == KeywordKind::Constant) {
                return emitNumber(k.value);
            }
            if (i < kOneByteKeywords) {
                emit(static_cast<unsigned char>(0x80 + i));
            } else {
                emit(kTokenEscape);
                emit(static_cast<unsigned char>(0x80 + (i - kOneByteKeywords)));
            }
            return 0;
        }
        auto u = static_cast<unsigned char>(m_src[m_pos++]);
        emit(u >= 0x80 ? kForeignByte : u);
        return 0;
    }

    TokenLine& m_line;
    const std::string& m_src;
    StringPool& m_strings;
    NumberPool& m_numbers;
    const VariableLookup& m_lookup;
    std::size_t m_pos = 0;
};

} // namespace

int Tokenize(TokenLine& line, std::string_view source, StringPool& strings, NumberPool& numbers,
             const VariableLookup& lookup) {
    // Every byte past the end stays zero: only what the last line wrote is cleared.
    std::fill_n(line.tokens.begin(), std::min(line.length + 1, line.tokens.size()), 0);
    line.length = 0;
    strings.reset();
    numbers.reset();
    line.source.assign(source.substr(0, kMaxLineLength));
    // Outside quotes the line is upper-cased, so the language ignores case.
    bool quoted = false;
    for (char& c : line.source) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    Scanner scanner(line, strings, numbers, lookup);
    int err = scanner.run();
    line.tokens[line.length] = 0;
    return err;
}

} // namespace zrv::engine
