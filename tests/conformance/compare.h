// Compares what our machine does with what Wine does, case by case. A case
// whose results differ fails unless the table of known differences lists it
// with the reason we keep our behaviour; an entry that no case of its area
// needed fails the run, so the table never outlives the difference.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zrv::conformance {

// `id` names one case, or many with '*' (any run of characters).
struct KnownDifference {
    std::string_view id;
    std::string_view reason;
};

// Every difference we keep, with its reason (differences.cpp).
extern const KnownDifference kKnownDifferences[];
extern const std::size_t kKnownDifferenceCount;

// Records one case; adds a test failure when it differs and the table does
// not list it.
void compare(std::string_view id, const std::string& ours, const std::string& wine);

// Totals over the run, printed at its end.
struct Totals {
    int cases = 0;
    int agreed = 0;
    int known = 0;
    int unexplained = 0;
};
const Totals& totals();

// Table entries of the areas compared in this run that matched no
// difference: the difference they describe is gone.
std::vector<std::string_view> staleEntries();

} // namespace zrv::conformance
