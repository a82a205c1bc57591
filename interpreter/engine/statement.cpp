#include "interpreter/engine/statement.h"

#include <algorithm>

#include "common/text.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/variables.h"

namespace zrv::engine {

void StatementLine::load(const TokenLine& line, const StringPool& strings, const NumberPool& numbers,
                         VariableTable& vars) {
    // The bytes this line or the last one used: the rest are zero in both.
    const std::size_t n = std::min(std::max(line.length, loaded) + 1, tokens.size());
    std::copy_n(line.tokens.begin(), n, tokens.begin());
    std::copy_n(line.slots.begin(), n, slots.begin());
    loaded = line.length;
    pos = 0;
    paramNumber = 0;
    continueFlag = false;
    m_strings = &strings;
    m_numbers = &numbers;
    m_vars = &vars;
}

int StatementLine::expectString(int k) {
    paramNumber = k;
    return isStringToken(param(k)) ? 0 : kErrStringParam;
}

int StatementLine::expectNumeric(int k) {
    paramNumber = k;
    return isNumericToken(param(k)) ? 0 : kErrNumericParam;
}

int StatementLine::expectVariable(int k) {
    paramNumber = k;
    return param(k) == kTokenVariable ? 0 : kErrMissingVariable;
}

int StatementLine::expectNumberToken(int k) {
    paramNumber = k;
    return param(k) == kTokenNumber ? 0 : kErrNumericParam;
}

int StatementLine::expectResultVariable(int k) {
    paramNumber = k;
    return param(k) == kTokenVariable ? 0 : kErrInvalidVariable;
}

std::string StatementLine::GetStringParam(int k, Expand expand) const { return stringAt(offsetOf(k), expand); }

NumericParam StatementLine::GetNumericParam(int k) const { return numberAt(offsetOf(k)); }

const std::string& StatementLine::name(int k) const { return nameAt(offsetOf(k)); }

const std::string& StatementLine::nameAt(std::size_t offset) const {
    static const std::string none;
    unsigned char t = at(offset);
    if (t != kTokenString && t != kTokenVariable && t != kTokenLabel)
        return none;
    return m_strings->at(slots[offset]);
}

std::string StatementLine::stringAt(std::size_t offset, Expand expand) const {
    const std::string& entry = nameAt(offset);
    std::string value = at(offset) == kTokenVariable ? m_vars->GetVariable(entry) : entry;
    return expand == Expand::Names ? m_vars->ExpandNames(value) : value;
}

NumericParam StatementLine::numberAt(std::size_t offset) const {
    unsigned char t = at(offset);
    if (t == kTokenNumber)
        return NumericParam::of(m_numbers->at(slots[offset]));
    if (t != kTokenVariable)
        return NumericParam::failed(kErrNumericParam);
    std::string value = m_vars->GetVariable(nameAt(offset));
    StripText(value, 'A', " ");
    std::size_t i = !value.empty() && value[0] == '-' ? 1 : 0;
    if (i == value.size() && i == 1)
        return NumericParam::failed(kErrNumericParam);
    for (std::size_t j = i; j < value.size(); ++j)
        if (value[j] < '0' || value[j] > '9')
            return NumericParam::failed(kErrNumericParam);
    return NumericParam::of(toNumber(value));
}

} // namespace zrv::engine
