// REGEDIT4 files both ways: a table of files imported by Wine's regedit and by
// our registry, then everything under the key compared; and values we export,
// imported by Wine's regedit and read back.
#include "platform/base/ansi.h"
#include "platform/registry/registry.h"
#include "tests/conformance/compare.h"
#include "tests/conformance/wine.h"
#include "tests/support/testing.h"

#include <algorithm>
#include <functional>
#include <map>

using namespace zrv;
using namespace zrv::conformance;
using namespace zrv::testing;
namespace fs = std::filesystem;

namespace {

const std::string kBase = "HKEY_CURRENT_USER\\Software\\ZrvConf";

std::string hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// The non-empty lines of a dump.
std::vector<std::string> lines(const std::string& dump) {
    std::vector<std::string> out;
    for (std::size_t start = 0, end; start < dump.size(); start = end + 1) {
        end = std::min(dump.find('\n', start), dump.size());
        if (end > start)
            out.push_back(dump.substr(start, end - start));
    }
    return out;
}

// The probe's dump with each key's values sorted by name: Windows lists values
// in the order they were made, our registry by name, and that order is not
// what is compared here.
std::string normalise(const std::string& dump) {
    std::string out;
    std::vector<std::string> values;
    auto flush = [&] {
        std::sort(values.begin(), values.end(),
                  [](const auto& a, const auto& b) { return lowerAnsi(a) < lowerAnsi(b); });
        for (const auto& v : values)
            out += v + "\n";
        values.clear();
    };
    for (const std::string& line : lines(dump)) {
        if (line[0] == '[') {
            flush();
            out += line + "\n";
        } else {
            values.push_back(line);
        }
    }
    flush();
    return out;
}

void dumpKey(Registry& reg, const std::string& path, std::string& out) {
    out += "[" + kBase.substr(0, kBase.find('\\')) + "\\" + path + "]\n";
    auto values = reg.values(RegRoot::CurrentUser, path);
    if (values)
        for (const auto& v : *values)
            out += v.name + "=" + std::to_string(v.type) + ":" + hex(v.data) + "\n";
    auto subkeys = reg.subkeys(RegRoot::CurrentUser, path);
    if (subkeys)
        for (const auto& s : *subkeys)
            dumpKey(reg, path + "\\" + s, out);
}

// Ours, in the probe's form.
std::string ourDump(Registry& reg, const std::string& key) {
    std::string path = key.substr(key.find('\\') + 1);
    if (!reg.keyExists(RegRoot::CurrentUser, path))
        return "missing";
    std::string out;
    dumpKey(reg, path, out);
    return normalise(out);
}

struct RegFile {
    const char* id;
    std::string text; // "@K" stands for the case's own key
};

const std::string kHead = "REGEDIT4\r\n\r\n";

const RegFile kFiles[] = {
    {"basic", kHead + "[@K]\r\n\"s\"=\"text\"\r\n\"d\"=dword:0000002a\r\n\"b\"=hex:01,02,ff\r\n@=\"default\"\r\n"},
    {"escapes", kHead + "[@K]\r\n\"back\"=\"a\\\\b\"\r\n\"quote\"=\"say \\\"hi\\\"\"\r\n"
                        "\"name \\\\ \\\"q\\\"\"=\"x\"\r\n"},
    {"typed-hex", kHead + "[@K]\r\n\"e\"=hex(2):25,54,45,4d,50,25,00\r\n\"m\"=hex(7):61,00,62,00,00\r\n"
                          "\"n\"=hex(0):\r\n\"z\"=hex(4):01,00,00,00\r\n\"big\"=hex(5):00,00,00,01\r\n"},
    {"continued", kHead + "[@K]\r\n\"long\"=hex:01,02,\\\r\n  03,04,\\\r\n  05\r\n\"after\"=\"x\"\r\n"},
    {"deletions", kHead + "[@K\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n[@K\\B\\C]\r\n\"z\"=\"1\"\r\n[-@K\\B]\r\n"
                          "[@K\\A]\r\n\"x\"=-\r\n"},
    {"code-page", kHead + "[@K]\r\n\"cafe\"=\"Caf\xe9 \xa9\"\r\n\"\xe9t\xe9\"=\"summer\"\r\n"},
    {"comments-and-blanks", kHead + "; a comment\r\n\r\n[@K]\r\n; inside\r\n\"a\"=\"1\"\r\n\r\n\r\n\"b\"=\"2\"\r\n"},
    {"dword-forms", kHead + "[@K]\r\n\"up\"=dword:0000FFFF\r\n\"short\"=dword:1f\r\n\"zero\"=dword:0\r\n"},
    {"dword-too-long", kHead + "[@K]\r\n\"a\"=\"1\"\r\n\"long\"=dword:123456789\r\n"},
    {"trailing-backslash", kHead + "[@K\\T\\]\r\n\"a\"=\"1\"\r\n"},
    {"malformed-line", kHead + "[@K]\r\n\"a\"=\"1\"\r\ngarbage here\r\n\"b\"=\"2\"\r\n"},
    {"lf-lines", "REGEDIT4\n\n[@K]\n\"a\"=\"1\"\n\"d\"=dword:00000002\n"},
    {"empty-strings", kHead + "[@K]\r\n\"e\"=\"\"\r\n@=\"\"\r\n"},
    {"equals-in-name", kHead + "[@K]\r\n\"a=b\"=\"c\"\r\n"},
    {"hex-spaces", kHead + "[@K]\r\n\"h\"=hex: 01, 02 ,03\r\n"},
    {"unterminated-string", kHead + "[@K]\r\n\"a\"=\"1\"\r\n\"u\"=\"abc\r\n\"b\"=\"2\"\r\n"},
    {"case-of-names", kHead + "[@K\\Mixed]\r\n\"Val\"=\"1\"\r\n[@K\\mixed]\r\n\"VAL\"=\"2\"\r\n"},
    {"no-header", "[@K]\r\n\"a\"=\"1\"\r\n"},
    {"version-5-header", "Windows Registry Editor Version 5.00\r\n\r\n[@K]\r\n\"a\"=\"1\"\r\n"},
    {"default-key-only", kHead + "[@K]\r\n"},
    {"odd-name-characters", kHead + "[@K\\With Space\\a.b-c_d]\r\n\"x\"=\"1\"\r\n"},
};

std::string substitute(std::string text, const std::string& key) {
    for (std::size_t at; (at = text.find("@K")) != std::string::npos;)
        text.replace(at, 2, key);
    return text;
}

class RegistryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        auto r = Registry::open(dir.path() / "registry.db");
        ASSERT_TRUE(r.ok()) << r.error().describe();
        reg = std::move(*r);
    }
    TempDir dir;
    std::unique_ptr<Registry> reg;
};

TEST_F(RegistryFiles, ImportingATableOfFilesAgrees) {
    WineProbe wine;
    std::vector<std::function<void(const std::vector<std::string>&)>> checks;
    for (const auto& f : kFiles) {
        std::string key = kBase + "\\Import\\" + f.id;
        std::string text = substitute(f.text, key);
        fs::path file = dir.path() / (std::string(f.id) + ".reg");
        writeHost(file, text);
        (void)reg->importText(text); // a refusal shows in what was merged
        wine.add({"regimport", WineProbe::winePath(file)});
        std::size_t at = wine.add({"regdump", key});
        std::string mine = ourDump(*reg, key);
        std::string id = std::string("regedit4-import/") + f.id;
        checks.push_back([=](const std::vector<std::string>& r) {
            compare(id, mine, r[at] == "missing" ? r[at] : normalise(r[at]));
        });
    }
    auto results = wine.run();
    for (auto& c : checks)
        c(results);
}

struct Value {
    std::string key; // below the case's key
    std::string name;
    std::uint32_t type;
    std::string data;
};

const Value kValues[] = {
    {"", "", RegType::Sz, std::string("default\0", 8)},
    {"", "plain", RegType::Sz, std::string("text\0", 5)},
    {"", "code page", RegType::Sz, std::string("Caf\xe9 \xa9 \x80\0", 9)},
    {"", "quotes \"and\" \\slashes\\", RegType::Sz, std::string("a \"q\" \\b\\\0", 10)},
    {"", "empty", RegType::Sz, std::string("\0", 1)},
    {"", "expand", RegType::ExpandSz, std::string("%WINDIR%\\x\0", 11)},
    {"", "multi", RegType::MultiSz, std::string("one\0two\0\0", 9)},
    {"", "dword", RegType::Dword, std::string("\x2a\0\0\x80", 4)},
    {"", "big endian", RegType::DwordBigEndian, std::string("\0\0\0\x01", 4)},
    {"", "binary", RegType::Binary, std::string("\x01\x02\xff", 3)},
    {"", "long binary", RegType::Binary, std::string(200, '\x5a')},
    {"", "none", RegType::None, ""},
    {"", "line break", RegType::Sz, std::string("two\r\nlines\0", 11)},
    {"", "no terminator", RegType::Sz, "bare"},
    {"Sub Key\\Deeper", "x", RegType::Sz, std::string("1\0", 2)},
    {"Sub Key", "\xe9t\xe9", RegType::Dword, std::string("\1\0\0\0", 4)},
};

TEST_F(RegistryFiles, WhatWeExportWineImportsAsWeHoldIt) {
    std::string key = kBase + "\\Export";
    std::string path = key.substr(key.find('\\') + 1);
    for (const auto& v : kValues)
        ASSERT_TRUE(reg->setValue(RegRoot::CurrentUser, v.key.empty() ? path : path + "\\" + v.key, v.name, v.type,
                                  v.data)
                        .ok());
    auto text = reg->exportText(RegRoot::CurrentUser, path);
    ASSERT_TRUE(text.ok()) << text.error().describe();
    fs::path file = dir.path() / "export.reg";
    writeHost(file, *text);
    WineProbe wine;
    wine.add({"regimport", WineProbe::winePath(file)});
    wine.add({"regdump", key});
    auto results = wine.run();
    EXPECT_EQ(results[0], "0");
    std::string mine = ourDump(*reg, key), theirs = normalise(results[1]);
    // Value by value, so each difference is a case of its own.
    auto byValue = [](const std::string& dump) {
        std::map<std::string, std::string> out;
        std::string header;
        for (const std::string& line : lines(dump)) {
            if (line[0] == '[')
                header = line, out[header + " (key)"] = "present";
            else
                out[header + " " + line.substr(0, line.find('='))] = line;
        }
        return out;
    };
    auto ours = byValue(mine), theirsByValue = byValue(theirs);
    for (const auto& [name, line] : ours) {
        auto it = theirsByValue.find(name);
        compare("regedit4-export/" + name, line, it == theirsByValue.end() ? "<missing>" : it->second);
    }
    for (const auto& [name, line] : theirsByValue)
        if (!ours.count(name))
            compare("regedit4-export/" + name, "<missing>", line);
}

} // namespace
