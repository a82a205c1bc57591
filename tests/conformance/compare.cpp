#include "tests/conformance/compare.h"
#include "tests/conformance/wine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace zrv::conformance {

namespace {

Totals g_totals;
std::vector<int> g_used(kKnownDifferenceCount);
std::set<std::string, std::less<>> g_areas;

bool matches(std::string_view pattern, std::string_view id) {
    std::size_t star = pattern.find('*');
    if (star == std::string_view::npos)
        return pattern == id;
    if (id.substr(0, star) != pattern.substr(0, star))
        return false;
    for (std::size_t at = star; at <= id.size(); ++at)
        if (matches(pattern.substr(star + 1), id.substr(at)))
            return true;
    return false;
}

std::string_view area(std::string_view id) { return id.substr(0, id.find('/')); }

const KnownDifference* known(std::string_view id) {
    for (std::size_t i = 0; i < kKnownDifferenceCount; ++i)
        if (matches(kKnownDifferences[i].id, id))
            return &kKnownDifferences[i];
    return nullptr;
}

// Long results shown by their length and where they part.
std::pair<std::string, std::string> shown(const std::string& ours, const std::string& wine) {
    if (ours.size() <= 300 && wine.size() <= 300)
        return {escapeField(ours), escapeField(wine)};
    std::size_t at = 0;
    while (at < ours.size() && at < wine.size() && ours[at] == wine[at])
        ++at;
    auto around = [at](const std::string& s) {
        std::size_t from = at > 40 ? at - 40 : 0;
        return std::to_string(s.size()) + " bytes, from byte " + std::to_string(from) + ": " +
               escapeField(s.substr(from, 120));
    };
    return {around(ours), around(wine)};
}

} // namespace

const Totals& totals() { return g_totals; }

std::vector<std::string_view> staleEntries() {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < kKnownDifferenceCount; ++i)
        if (!g_used[i] && g_areas.count(area(kKnownDifferences[i].id)))
            out.push_back(kKnownDifferences[i].id);
    return out;
}

void compare(std::string_view id, const std::string& ours, const std::string& wine) {
    ++g_totals.cases;
    g_areas.emplace(area(id));
    if (ours == wine) {
        ++g_totals.agreed;
        return;
    }
    if (const KnownDifference* listed = known(id)) {
        ++g_used[static_cast<std::size_t>(listed - kKnownDifferences)];
        ++g_totals.known;
        auto [o, w] = shown(ours, wine);
        std::printf("  known difference %.*s\n    ours: %s\n    Wine: %s\n    why:  %.*s\n",
                    static_cast<int>(id.size()), id.data(), o.c_str(), w.c_str(),
                    static_cast<int>(listed->reason.size()), listed->reason.data());
        return;
    }
    ++g_totals.unexplained;
    auto [o, w] = shown(ours, wine);
    ADD_FAILURE() << id << " differs\n  ours: \"" << o << "\"\n  Wine: \"" << w << "\"";
}

} // namespace zrv::conformance

namespace {

class Summary : public ::testing::Environment {
public:
    void SetUp() override {
        if (auto why = zrv::conformance::WineProbe::missing()) {
            std::fprintf(stderr, "conformance: %s\n", why->c_str());
            std::exit(2);
        }
    }
    void TearDown() override {
        const auto& t = zrv::conformance::totals();
        std::printf("\nconformance: %d cases, %d agree, %d known differences, %d unexplained\n", t.cases, t.agreed,
                    t.known, t.unexplained);
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Summary);
    int status = RUN_ALL_TESTS();
    for (auto id : zrv::conformance::staleEntries()) {
        std::fprintf(stderr, "conformance: the known difference %.*s matched no difference: take it out of the "
                             "table and the docs\n", static_cast<int>(id.size()), id.data());
        status = 1;
    }
    return status;
}
