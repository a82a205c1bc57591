// The profile functions on a table of odd INI files: every query of a fixed set
// on every file, then sequences of writes whose resulting bytes are compared.
#include "platform/profile/profile.h"
#include "tests/conformance/compare.h"
#include "tests/conformance/wine.h"
#include "tests/support/testing.h"

#include <functional>

using namespace zrv;
using namespace zrv::conformance;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

struct IniFile {
    const char* id;
    std::optional<std::string> text; // nullopt: no such file
};

// Section names S and T, keys K, J and N, throughout.
const IniFile kFiles[] = {
    {"plain", "[S]\r\nK=v\r\nJ=w\r\nN=12\r\n[T]\r\nK=t\r\n"},
    {"blanks", "  [S]  \r\n  K  =  v w  \r\n\tJ\t=\tx\t\r\n[ T ]\r\nK=t\r\n"},
    {"quotes", "[S]\r\nK=\"quoted\"\r\nJ='single'\r\nN=\"12\"\r\n[T]\r\nK=\" padded \"\r\nJ=\"open\r\n"},
    {"duplicate-sections", "[S]\r\nK=1\r\n[T]\r\nK=t\r\n[S]\r\nK=2\r\nJ=3\r\n"},
    {"duplicate-keys", "[S]\r\nK=1\r\nk=2\r\nJ=3\r\nJ=4\r\n"},
    {"case", "[s]\r\nk=lower\r\n[t]\r\nK=t\r\n"},
    {"lone-cr", "[S]\rK=v\rJ=w\r[T]\rK=t\r"},
    {"lf", "[S]\nK=v\nJ=w\n[T]\nK=t\n"},
    {"before-first-section", "K=orphan\r\nJ=orphan\r\n[S]\r\nK=v\r\n"},
    {"unclosed-header", "[S\r\nK=v\r\n[T]\r\nK=t\r\n"},
    {"comments", ";K=c\r\n[S]\r\n;K=c\r\nK=v\r\n# J=h\r\n[T];x\r\nK=t\r\n"},
    {"no-equals", "[S]\r\nK\r\nJ=w\r\n=x\r\n"},
    {"empty-values", "[S]\r\nK=\r\nJ= \r\nN=\r\n"},
    {"empty-section-name", "[]\r\nK=e\r\n[S]\r\nK=v\r\n"},
    {"equals-in-value", "[S]\r\nK=a=b\r\nJ==\r\n"},
    {"spaced-names", "[S S]\r\nMy Key = v\r\n[S]\r\nK=v\r\n"},
    {"numbers", "[S]\r\nN=  -5x\r\nK=0x10\r\nJ=+3\r\n[T]\r\nN=99999999999\r\nK=-0\r\n"},
    {"missing", std::nullopt},
    {"empty", ""},
    {"text-after-header", "[S] junk\r\nK=v\r\n[T]]\r\nK=t\r\n"},
    {"blank-lines", "\r\n\r\n[S]\r\n\r\n  \r\nK=v\r\n\t\r\n[T]\r\nK=t"},
    {"no-final-line-end", "[S]\r\nK=v"},
    {"utf8-bom", "\xEF\xBB\xBF[S]\r\nK=v\r\n"},
    {"high-letters", "[\xC4]\r\n\xC9=upper\r\n[S]\r\nK=v\r\n"},
    {"long-value", "[S]\r\nK=" + std::string(1000, 'x') + "\r\n"},
};

struct Query {
    const char* id;
    Field section, key, fallback;
    bool number = false;
};

const Query kQueries[] = {
    {"sections", std::nullopt, std::nullopt, "d"},
    {"keys-S", "S", std::nullopt, "d"},
    {"keys-T", "T", std::nullopt, "d"},
    {"keys-s-blanks", " s ", std::nullopt, "d"},
    {"keys-empty", "", std::nullopt, "d"},
    {"S-K", "S", "K", "d"},
    {"s-k", "s", "k", "d"},
    {"S-K-blanks", " S ", "\tK ", "d"},
    {"S-J", "S", "J", "d"},
    {"S-N", "S", "N", "d"},
    {"T-K", "T", "K", "d"},
    {"T-J", "T", "J", "d"},
    {"empty-K", "", "K", "d"},
    {"S-empty", "S", "", "d"},
    {"S-missing-default-blanks", "S", "X", "dflt  "},
    {"S-missing-default-leading", "S", "X", "  dflt"},
    {"missing-section", "Nope", "K", "d"},
    {"spaced", "S S", "My Key", "d"},
    {"high", "\xE4", "\xE9", "d"},
    {"int-S-N", "S", "N", "7", true},
    {"int-S-K", "S", "K", "7", true},
    {"int-S-J", "S", "J", "7", true},
    {"int-T-N", "T", "N", "7", true},
    {"int-T-K", "T", "K", "7", true},
    {"int-missing", "S", "X", "-3", true},
};

// A list of names as the profile functions return it: each ends with a NUL;
// an empty list gives the default instead.
std::string nulList(const std::vector<std::string>& names, const std::string& fallback) {
    if (names.empty())
        return fallback;
    std::string out;
    for (const auto& n : names)
        out += n + '\0';
    return out;
}

std::string ours(Machine& m, const Query& q, const std::string& file) {
    if (q.number)
        return std::to_string(getPrivateProfileInt(m, *q.section, *q.key, std::stoi(*q.fallback), file));
    if (!q.section)
        return nulList(getPrivateProfileSectionNames(m, file), "");
    if (!q.key)
        return nulList(getPrivateProfileKeys(m, *q.section, file), *q.fallback);
    return getPrivateProfileString(m, *q.section, *q.key, *q.fallback, file);
}

class Profiles : public MachineTest {
protected:
    fs::path wineDir() const { return dir.path() / "wine"; }
    std::string ourFile(const std::string& id) const { return "C:\\CONF\\" + id + ".INI"; }
    fs::path wineFile(const std::string& id) const { return wineDir() / (id + ".INI"); }
    void place(const std::string& id, const std::optional<std::string>& text) {
        if (!text)
            return;
        put(ourFile(id), *text);
        writeHost(wineFile(id), *text);
    }
};

TEST_F(Profiles, ReadingAgreesOnEveryFileAndQuery) {
    ASSERT_TRUE(m->createDirectory("C:\\CONF").ok());
    WineProbe wine;
    std::vector<std::function<void(const std::vector<std::string>&)>> checks;
    for (const auto& f : kFiles) {
        place(f.id, f.text);
        for (const auto& q : kQueries) {
            std::size_t at = wine.add({q.number ? "pint" : "pget", WineProbe::winePath(wineFile(f.id)), q.section,
                                       q.key, q.fallback});
            std::string mine = ours(*m, q, ourFile(f.id));
            std::string id = std::string("profile/") + f.id + "/" + q.id;
            checks.push_back([=](const std::vector<std::string>& r) { compare(id, mine, r[at]); });
        }
    }
    auto results = wine.run();
    for (auto& c : checks)
        c(results);
}

struct Write {
    Field section, key, value;
};

struct WriteCase {
    const char* id;
    std::optional<std::string> start;
    std::vector<Write> writes;
};

const std::string kPlain = "[S]\r\nK=v\r\nJ=w\r\n[T]\r\nK=t\r\n";

const WriteCase kWrites[] = {
    {"new-file", std::nullopt, {{"S", "K", "v"}}},
    {"replace", kPlain, {{"S", "K", "new"}}},
    {"replace-same", kPlain, {{"S", "K", "v"}}},
    {"add-key", kPlain, {{"S", "N", "n"}}},
    {"add-section", kPlain, {{"U", "K", "u"}}},
    {"delete-key", kPlain, {{"S", "J", std::nullopt}}},
    {"delete-section", kPlain, {{"S", std::nullopt, std::nullopt}}},
    {"delete-missing-key", kPlain, {{"S", "X", std::nullopt}}},
    {"delete-missing-section", kPlain, {{"X", std::nullopt, std::nullopt}}},
    {"value-blanks", kPlain, {{"S", "K", "  v  "}}},
    {"value-empty", kPlain, {{"S", "K", ""}}},
    {"names-blanks", kPlain, {{" S ", " K ", "b"}}},
    {"names-case", kPlain, {{"s", "k", "c"}}},
    {"duplicate-sections", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", {{"S", "K", "x"}, {"S", "J", "y"}}},
    {"duplicate-keys", "[S]\r\nK=1\r\nK=2\r\n", {{"S", "K", "x"}}},
    {"lone-cr", "[S]\rK=v\r[T]\rK=t\r", {{"S", "K", "x"}}},
    {"lf", "[S]\nK=v\n[T]\nK=t\n", {{"S", "K", "x"}}},
    {"comments", ";top\r\n[S]\r\n;K=c\r\nK=v\r\n", {{"S", "K", "x"}, {"S", "J", "y"}}},
    {"spacing-kept", "[S]\r\n  K = v  \r\nJ = w\r\n", {{"S", "K", "x"}}},
    {"blank-lines-kept", "[S]\r\nK=v\r\n\r\n[T]\r\nK=t\r\n", {{"S", "J", "w"}}},
    {"no-final-line-end", "[S]\r\nK=v", {{"S", "J", "y"}}},
    {"add-to-empty", "", {{"S", "K", "v"}}},
    {"several", kPlain, {{"S", "K", "1"}, {"T", std::nullopt, std::nullopt}, {"S", "J", std::nullopt}}},
    {"before-first-section", "K=orphan\r\n[S]\r\nK=v\r\n", {{"S", "K", "x"}}},
    {"delete-last-key", "[S]\r\nK=v\r\n[T]\r\nK=t\r\n", {{"S", "K", std::nullopt}}},
};

TEST_F(Profiles, WritingLeavesTheSameBytes) {
    ASSERT_TRUE(m->createDirectory("C:\\CONF").ok());
    WineProbe wine;
    for (const auto& c : kWrites) {
        std::string id = std::string("w-") + c.id;
        place(id, c.start);
        for (const auto& w : c.writes) {
            auto r = writePrivateProfileString(*m, *w.section, w.key, w.value, ourFile(id));
            ASSERT_TRUE(r.ok()) << c.id;
            wine.add({"pwrite", WineProbe::winePath(wineFile(id)), w.section, w.key, w.value});
        }
    }
    wine.run();
    for (const auto& c : kWrites) {
        std::string id = std::string("w-") + c.id;
        auto read = m->readFile(ourFile(id));
        std::string mine = read ? *read : "<no file>";
        std::string theirs = fs::exists(wineFile(id)) ? readHost(wineFile(id)) : "<no file>";
        compare(std::string("profile-write/") + c.id, mine, theirs);
    }
}

} // namespace
