#include "platform/shell/snapshot.h"

#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/shell/progman.h"
#include "platform/registry/registry.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace zrv {

namespace {

constexpr std::string_view kHeader = "ZRV-SNAPSHOT 1";

std::string hex(std::string_view bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

// FNV-1a, 64 bits: enough to see that content changed.
std::string contentHash(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char b[24];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(h));
    return b;
}

// Strings and numbers as people read them; anything else in hex.
std::string describeValue(const RegValue& v) {
    bool text = (v.type == RegType::Sz || v.type == RegType::ExpandSz) && !v.data.empty() && v.data.back() == '\0' &&
                v.data.find('\0') == v.data.size() - 1;
    if (text)
        return std::string(v.type == RegType::Sz ? "sz" : "expand_sz") + " \"" + v.data.substr(0, v.data.size() - 1) + "\"";
    if (v.type == RegType::Dword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        return "dword " + std::to_string(n);
    }
    return "type=" + std::to_string(v.type) + " hex=" + hex(v.data);
}

// Both walks keep their own stack: a tree of any depth is recorded whole,
// without running out of the thread's stack.
void walk(Machine& m, const std::string& root, std::vector<SnapshotEntry>& out) {
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        std::string dir = std::move(pending.back());
        pending.pop_back();
        auto found = m.findFiles(dir + "*.*");
        if (!found)
            continue;
        for (const FileInfo& f : *found) {
            if (f.name == "." || f.name == "..")
                continue;
            std::string path = dir + f.name;
            char attr[16];
            std::snprintf(attr, sizeof attr, "0x%02x", f.attributes & ~FileAttribute::Directory);
            if (f.isDirectory()) {
                out.push_back({"dir", path, std::string("attr=") + attr});
                pending.push_back(path + "\\");
                continue;
            }
            auto bytes = m.readFile(path);
            char value[160];
            std::snprintf(value, sizeof value, "size=%llu time=%lld attr=%s hash=%s",
                          static_cast<unsigned long long>(f.size), static_cast<long long>(unixFromFileTime(f.lastWrite)),
                          attr, bytes ? contentHash(*bytes).c_str() : "unreadable");
            out.push_back({"file", path, value});
        }
    }
}

void walkRegistry(Registry& reg, RegRoot root, std::vector<SnapshotEntry>& out) {
    struct Key {
        std::string path, shown;
    };
    std::vector<Key> pending{{"", regRootName(root)}};
    while (!pending.empty()) {
        Key key = std::move(pending.back());
        pending.pop_back();
        out.push_back({"key", key.shown, ""});
        if (auto values = reg.values(root, key.path))
            for (const RegValue& v : *values)
                out.push_back({"value", key.shown + "\\[" + v.name + "]", describeValue(v)});
        if (auto subkeys = reg.subkeys(root, key.path))
            for (const std::string& k : *subkeys)
                pending.push_back({key.path.empty() ? k : key.path + "\\" + k, key.shown + "\\" + k});
    }
}

} // namespace

Result<std::vector<SnapshotEntry>> takeSnapshot(Machine& machine) {
    std::vector<SnapshotEntry> out;
    for (char letter : machine.driveLetters()) {
        const Drive* d = machine.drive(letter);
        if (d->readOnly)
            continue; // nothing can change there
        walk(machine, std::string(1, letter) + ":\\", out);
    }
    auto reg = machine.registry();
    if (!reg)
        return reg.error();
    for (RegRoot root : {RegRoot::LocalMachine, RegRoot::Users})
        walkRegistry(**reg, root, out);
    ProgramManager shell(machine);
    for (const auto& g : shell.groups()) {
        out.push_back({"group", g.name, ""});
        for (const auto& item : g.items) {
            const ShellLink& l = item.link;
            out.push_back({"item", g.name + "\\" + item.title,
                           "target=" + l.target + " args=" + l.arguments + " dir=" + l.workingDirectory +
                               " icon=" + l.iconFile + "," + std::to_string(l.iconIndex)});
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string formatSnapshot(const std::vector<SnapshotEntry>& entries) {
    std::string out = std::string(kHeader) + "\n";
    for (const SnapshotEntry& e : entries)
        out += e.kind + "\t" + e.key + "\t" + e.value + "\n";
    return out;
}

std::string snapshotField(const SnapshotEntry& entry, std::string_view name) {
    const std::string key = std::string(name) + "=";
    for (std::size_t at = 0; (at = entry.value.find(key, at)) != std::string::npos; at += key.size())
        if (at == 0 || entry.value[at - 1] == ' ') {
            const std::size_t from = at + key.size();
            return entry.value.substr(from, entry.value.find(' ', from) - from);
        }
    return {};
}

Result<std::vector<SnapshotEntry>> parseSnapshot(std::string_view text) {
    if (text.substr(0, kHeader.size()) != kHeader)
        return fail(WinError::BadFormat, "not a machine snapshot");
    std::vector<SnapshotEntry> out;
    std::size_t start = text.find('\n');
    int number = 1;
    while (start != std::string_view::npos && start + 1 < text.size()) {
        ++start;
        ++number;
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end;
        if (line.empty())
            continue;
        std::size_t t1 = line.find('\t');
        std::size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string_view::npos)
            return fail(WinError::BadFormat, "line " + std::to_string(number) + ": kind, key and value expected");
        out.push_back({std::string(line.substr(0, t1)), std::string(line.substr(t1 + 1, t2 - t1 - 1)),
                       std::string(line.substr(t2 + 1))});
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<SnapshotChange> diffSnapshots(const std::vector<SnapshotEntry>& before,
                                          const std::vector<SnapshotEntry>& after) {
    std::vector<SnapshotChange> out;
    std::size_t i = 0, j = 0;
    while (i < before.size() || j < after.size()) {
        if (j == after.size() || (i < before.size() && before[i] < after[j])) {
            out.push_back({'-', before[i++], {}});
        } else if (i == before.size() || after[j] < before[i]) {
            out.push_back({'+', {}, after[j++]});
        } else {
            if (before[i].value != after[j].value)
                out.push_back({'~', before[i], after[j]});
            ++i;
            ++j;
        }
    }
    return out;
}

} // namespace zrv
