// SET, IF and the text functions: the statements that compute.
#include "interpreter/engine/engine.h"

#include "common/text.h"
#include "common/trace.h"
#include "interpreter/engine/errors.h"
#include "platform/base/ansi.h"

#include <climits>
#include <cstdio>

namespace zrv::engine {

namespace {

unsigned char codeOf(Keyword k) {
    auto i = static_cast<std::size_t>(k);
    return static_cast<unsigned char>(0x80 + (i < kOneByteKeywords ? i : i - kOneByteKeywords));
}

bool isComparison(unsigned char b) {
    return b >= codeOf(Keyword::Equal) && b <= codeOf(Keyword::Less);
}

bool compare(unsigned char op, int c) {
    switch (static_cast<Keyword>(op - 0x80)) {
    case Keyword::Equal: return c == 0;
    case Keyword::NotEqual: return c != 0;
    case Keyword::GreaterEqual: return c >= 0;
    case Keyword::LessEqual: return c <= 0;
    case Keyword::Greater: return c > 0;
    case Keyword::Less: return c < 0;
    default: return false;
    }
}

// lstrcmpA orders words without regard to case first; only equal words are
// then told apart by case, lower case first.
int lstrcmpAnsi(std::string_view a, std::string_view b) {
    if (int c = compareNoCase(a, b))
        return c < 0 ? -1 : 1;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == b[i])
            continue;
        bool lowerA = toLowerAnsi(a[i]) == a[i];
        return lowerA ? -1 : 1;
    }
    return 0;
}

std::string format(const char* f, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

bool startsAsNumber(std::string_view v, bool digitAfterMinus) {
    if (v.empty())
        return false;
    if (v[0] >= '0' && v[0] <= '9')
        return true;
    if (v[0] != '-')
        return false;
    return !digitAfterMinus || (v.size() > 1 && v[1] >= '0' && v[1] <= '9');
}

} // namespace

int Engine::textFunction(StatementLine& s, Keyword function, const std::string& target) {
    std::size_t p = s.pos + 3; // the first argument, after V, '=' and the function
    auto numberAt = [&](std::size_t at, int param, int lo, int hi, std::int32_t& out) -> int {
        s.paramNumber = param;
        auto v = s.numberAt(at);
        if (!v)
            return v.error();
        out = *v;
        if (out < lo || out > hi)
            return kErrSubscript;
        return 0;
    };
    auto stringAt = [&](std::size_t at, int param, std::string& out) -> int {
        s.paramNumber = param;
        // A string written as such is taken as written.
        unsigned char t = s.at(at);
        if (!StatementLine::isStringToken(t))
            return static_cast<int>(kErrStringParam);
        out = s.stringAt(at, t == kTokenString ? Expand::No : Expand::Names);
        return 0;
    };
    std::string text;
    std::int32_t n = 0, start = 0;
    switch (function) {
    case Keyword::Left:
    case Keyword::Right: {
        if (int e = stringAt(p, 3, text))
            return e;
        if (int e = numberAt(p + 2, 4, 0, 254, n))
            return e;
        std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), text.size());
        return m_vars.SetVariable(target, function == Keyword::Left ? text.substr(0, count)
                                                                    : text.substr(text.size() - count));
    }
    case Keyword::Mid: {
        if (int e = stringAt(p, 3, text))
            return e;
        if (int e = numberAt(p + 2, 4, 0, 254, start))
            return e;
        if (int e = numberAt(p + 4, 5, 0, 254, n))
            return e;
        std::size_t from = static_cast<std::size_t>(start == 0 ? 0 : start - 1);
        return m_vars.SetVariable(target, from >= text.size() ? std::string() : text.substr(from, static_cast<std::size_t>(n)));
    }
    case Keyword::Ucase:
    case Keyword::Lcase:
        if (int e = stringAt(p, 3, text))
            return e;
        return m_vars.SetVariable(target, function == Keyword::Ucase ? upperAnsi(text) : lowerAnsi(text));
    case Keyword::Instr: {
        if (int e = numberAt(p, 3, 1, 255, start))
            return e;
        std::string find;
        if (int e = stringAt(p + 2, 4, text))
            return e;
        if (int e = stringAt(p + 4, 5, find))
            return e;
        std::int32_t at = 0;
        if (static_cast<std::size_t>(start) <= text.size()) {
            std::size_t hit = text.find(find, static_cast<std::size_t>(start - 1));
            at = hit == std::string::npos ? 0 : static_cast<std::int32_t>(hit + 1);
        }
        return m_vars.SetVariableNumber(target, at);
    }
    case Keyword::Len:
        if (int e = stringAt(p, 3, text))
            return e;
        return m_vars.SetVariableNumber(target, static_cast<std::int32_t>(text.size()));
    case Keyword::Not: {
        s.paramNumber = 3;
        auto v = s.numberAt(p);
        if (!v)
            return v.error();
        return m_vars.SetVariableNumber(target, *v == 0 ? 1 : 0);
    }
    default: return kErrInvalidParameters;
    }
}

int Engine::handleSet(StatementLine& s) {
    s.paramNumber = 1;
    if (s.at(s.pos) != kTokenVariable || s.at(s.pos + 1) != '=')
        return kErrMissingVariable;
    s.paramNumber = 2;
    const std::string& name = s.nameAt(s.pos);
    std::size_t p = s.pos + 2;
    unsigned char first = s.at(p);
    int r = 0;
    if (first == kTokenString) {
        r = m_vars.SetVariable(name, s.nameAt(p));
    } else if (first == kTokenVariable) {
        r = m_vars.SetVariable(name, s.stringAt(p));
    } else if (first == kTokenNumber) {
        r = m_vars.SetVariableNumber(name, *s.numberAt(p));
    } else if ((first >= codeOf(Keyword::Left) && first <= codeOf(Keyword::Len)) || first == codeOf(Keyword::Not)) {
        const Keyword f = first == codeOf(Keyword::Not) ? Keyword::Not : static_cast<Keyword>(first - 0x80);
        if (int e = textFunction(s, f, name))
            return e;
        // The arithmetic step follows a function operand as any other: after
        // NOT's number, after the closing parenthesis of the others
        // (LEN("abc") * 2 is 6). Without that parenthesis nothing follows.
        int args = 1;
        if (f == Keyword::Left || f == Keyword::Right)
            args = 2;
        else if (f == Keyword::Mid || f == Keyword::Instr)
            args = 3;
        p += f == Keyword::Not ? 1 : static_cast<std::size_t>(2 * args);
        if (f != Keyword::Not && s.at(p) != ')')
            return 0;
    } else {
        return kErrInvalidParameters;
    }
    if (r)
        return r;
    ++p;
    auto operand = [&](std::size_t at, std::int32_t& out) -> int {
        auto v = s.numberAt(at);
        out = v.value();
        return v.error();
    };
    unsigned char op = s.at(p);
    if ((first == kTokenNumber || first == kTokenVariable) &&
        (op == codeOf(Keyword::And) || op == codeOf(Keyword::Or) || op == codeOf(Keyword::Xor))) {
        std::string stored = m_vars.GetVariable(name);
        if (!startsAsNumber(stored, false))
            return kErrNumericParam;
        std::int32_t rhs = 0;
        if (int e = operand(p + 1, rhs))
            return e;
        std::uint32_t a = static_cast<std::uint32_t>(toNumber(stored)), b = static_cast<std::uint32_t>(rhs);
        std::uint32_t v = op == codeOf(Keyword::And) ? (a & b) : op == codeOf(Keyword::Or) ? (a | b) : (a ^ b);
        if (int e = m_vars.SetVariableNumber(name, static_cast<std::int32_t>(v)))
            return e;
        p += 2;
        op = s.at(p);
    }
    if (op == 0)
        return 0;
    ++s.paramNumber;
    std::string stored = m_vars.GetVariable(name);
    if (!startsAsNumber(stored, true))
        return kErrNumericParam;
    std::int64_t a = toNumber(stored);
    std::int32_t rhs = 0;
    if (int e = operand(p + 1, rhs))
        return e;
    std::int64_t v;
    switch (op) {
    case '*': v = a * rhs; break;
    case '+': v = a + rhs; break;
    case '-': v = a - rhs; break;
    case '/':
        // A zero divisor, or the one quotient that does not fit, is reported as
        // an invalid numeric parameter rather than ending the program.
        if (rhs == 0 || (a == INT32_MIN && rhs == -1))
            return kErrNumericParam;
        v = a / rhs;
        break;
    default: return kErrArithmeticOperator;
    }
    return m_vars.SetVariableNumber(name, static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

int Engine::handleIf(StatementLine& s) {
    unsigned char t = s.at(s.pos);
    bool holds = false;
    std::size_t next = 0;
    auto numeric = [&](std::size_t at, std::int32_t& out) -> int {
        auto v = s.numberAt(at);
        out = v.value();
        return v.error();
    };
    auto par = [](long a, long b) { return "Par1: " + format("%ld", a) + "  Par2: " + format("%ld", b) + "\r\n"; };
    if (t == kTokenNumber || t == kTokenVariable) {
        std::int32_t a = 0, b = 0;
        s.paramNumber = 1;
        if (int e = numeric(s.pos, a))
            return e;
        unsigned char op = s.at(s.pos + 1);
        s.paramNumber = 2;
        if (int e = numeric(s.pos + 2, b))
            return e;
        const bool tracing = m_trace.enabled();
        if (tracing)
            m_trace.WriteTrace("Numeric Comparision\r\n" + par(a, b));
        unsigned char cmp = op;
        std::int32_t left = a, right = b;
        next = s.pos + 3;
        if (op == codeOf(Keyword::And) || op == codeOf(Keyword::Or) || op == codeOf(Keyword::Xor)) {
            std::uint32_t ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
            left = static_cast<std::int32_t>(op == codeOf(Keyword::And) ? (ua & ub) : op == codeOf(Keyword::Or) ? (ua | ub) : (ua ^ ub));
            s.paramNumber = 3;
            cmp = s.at(s.pos + 3);
            if (int e = numeric(s.pos + 4, right))
                return e;
            if (tracing)
                m_trace.WriteTrace("Logical op\r\n" + par(left, right));
            next = s.pos + 5;
        }
        if (!isComparison(cmp))
            return kErrComparisonOperator;
        holds = compare(cmp, left < right ? -1 : left > right ? 1 : 0);
    } else if (t == kTokenString) {
        s.paramNumber = 1;
        std::string a = s.stringAt(s.pos);
        unsigned char cmp = s.at(s.pos + 1);
        s.paramNumber = 2;
        if (!StatementLine::isStringToken(s.at(s.pos + 2)))
            return kErrStringParam;
        std::string b = s.stringAt(s.pos + 2);
        if (!isComparison(cmp))
            return kErrComparisonOperator;
        if (m_trace.enabled())
            m_trace.WriteTrace("String Comparision\r\nPar1: '" + a + "'  Par2: '" + b + "'\r\n");
        holds = compare(cmp, lstrcmpAnsi(a, b));
        next = s.pos + 3;
    } else {
        s.paramNumber = 1;
        return kErrComparisonValue;
    }
    if (m_trace.enabled())
        m_trace.WriteTrace(holds ? "Result: True\r\n" : "Result: False\r\n");
    if (!holds)
        return 0;
    s.continueFlag = true;
    s.pos = next;
    return 0;
}

int Engine::handleStrip(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    const std::string& name = s.name(1);
    std::string strip = s.GetStringParam(2);
    std::string mode = "R";
    if (StatementLine::isStringToken(s.param(3))) {
        s.paramNumber = 3;
        mode = s.GetStringParam(3);
    }
    std::string value = m_vars.GetVariable(name);
    if (!mode.empty())
        StripText(value, mode[0], strip);
    return m_vars.SetVariable(name, value);
}

int Engine::handleReplace(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    if (int e = s.expectString(3))
        return e;
    const std::string& name = s.name(1);
    std::string find = s.GetStringParam(2);
    std::string with = s.GetStringParam(3);
    std::string value = m_vars.GetVariable(name);
    ReplaceAll(value, find, with);
    return m_vars.SetVariable(name, value);
}

int Engine::handleAddChar(StatementLine& s) {
    if (int e = s.expectVariable(1))
        return e;
    if (int e = s.expectString(2))
        return e;
    const std::string& name = s.name(1);
    std::string text = s.GetStringParam(2);
    std::string value = m_vars.GetVariable(name);
    if (value.size() >= text.size() && value.compare(value.size() - text.size(), text.size(), text) == 0)
        return 0;
    return m_vars.SetVariable(name, value + text);
}

} // namespace zrv::engine
