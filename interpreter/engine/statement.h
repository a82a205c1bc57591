// The statement line every handler receives: the token bytes of the line
// being run, the read position, the parameter number a report shows as %4,
// the continue flag, and the values of the line's parameters, read by their
// position.
#pragma once

#include "interpreter/engine/keywords.h"
#include "interpreter/engine/tokenizer.h"

#include <cstdint>
#include <string>

namespace zrv::engine {

class VariableTable;

// A numeric parameter's value, or the error number that says why it has none.
class [[nodiscard]] NumericParam {
public:
    static NumericParam of(std::int32_t value) { return NumericParam(value, 0); }
    static NumericParam failed(int error) { return NumericParam(0, error); }
    explicit operator bool() const { return m_error == 0; }
    std::int32_t operator*() const { return m_value; }
    std::int32_t value() const { return m_value; }
    int error() const { return m_error; }

private:
    NumericParam(std::int32_t value, int error) : m_value(value), m_error(error) {}
    std::int32_t m_value;
    int m_error;
};

enum class Expand { Names, No };

struct StatementLine {
    TokenBytes tokens{};
    TokenBytes slots{};  // pool index of each parameter token
    std::size_t pos = 0; // next token byte
    int paramNumber = 0; // shown as %4
    bool continueFlag = false;
    std::size_t loaded = 0; // token bytes of the line loaded last

    // Binds the line to the pools and variables its values are read from.
    void load(const TokenLine& line, const StringPool& strings, const NumberPool& numbers, VariableTable& vars);

    unsigned char at(std::size_t i) const { return i < tokens.size() ? tokens[i] : 0; }
    // The token byte of parameter k (1-based) of the current statement.
    unsigned char param(int k) const { return at(offsetOf(k)); }
    // Present: a parameter is there before the closing parenthesis.
    bool has(int k) const { return param(k) != 0 && param(k) != ')'; }

    static bool isStringToken(unsigned char t) { return t == kTokenString || t == kTokenVariable; }
    static bool isNumericToken(unsigned char t) { return t == kTokenNumber || t == kTokenVariable; }

    // The kind checks. Each sets the parameter number to k and gives 0 or the
    // error number: a string (10019), a number (10020), a variable name
    // (10021), a number written as such (10020), a variable to receive a
    // result (10003).
    int expectString(int k);
    int expectNumeric(int k);
    int expectVariable(int k);
    int expectNumberToken(int k);
    int expectResultVariable(int k);

    // Parameter k's text: a variable's value or the text itself, then, unless
    // told not to, with #NAME# expanded.
    std::string GetStringParam(int k, Expand expand = Expand::Names) const;
    // Parameter k's number: a number token, or a variable whose value is a
    // signed decimal once blanks are removed; else 10020.
    NumericParam GetNumericParam(int k) const;
    // The raw text of parameter k's pool entry: a variable's or label's name.
    const std::string& name(int k) const;

    // The same readers at a token byte offset (expressions walk the line).
    std::string stringAt(std::size_t offset, Expand expand = Expand::Names) const;
    NumericParam numberAt(std::size_t offset) const;
    const std::string& nameAt(std::size_t offset) const;

private:
    std::size_t offsetOf(int k) const { return pos + 2 * static_cast<std::size_t>(k - 1); }

    const StringPool* m_strings = nullptr;
    const NumberPool* m_numbers = nullptr;
    VariableTable* m_vars = nullptr;
};

} // namespace zrv::engine
