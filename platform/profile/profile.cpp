#include "platform/profile/profile.h"

#include "platform/base/ini.h"
#include "platform/host/hostfs.h"
#include "platform/machine/machine.h"

#include <charconv>
#include <map>
#include <mutex>

namespace zrv {

std::string profileFilePath(const Machine& machine, std::string_view file) {
    if (file.find_first_of("\\/:") != std::string_view::npos)
        return std::string(file);
    return machine.windowsDirectory() + "\\" + std::string(file);
}

namespace {

// Profile files are small; one that is not stays unread rather than exhaust memory.
constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;

// A profile file's host path (empty when there is none), and the look at it
// made on the way there, if one was.
struct HostFile {
    std::string key;
    std::optional<host::Stat> seen;
};

// The documents read and written lately, by host path, each trusted only while
// the file is the one it was read from or written as (same device, inode, size
// and change time): a run that writes one file again and again parses it once.
class Documents {
public:
    // The document of a profile file, read or parsed; nullptr when there is
    // none, and `why` set when it cannot be used at all. `key` is the host
    // path (empty when there is none). `exact`, when given, tells whether the
    // file holds exactly what the document writes, so lines added at the end
    // can be added to the file alone.
    IniDocument* find(Machine& machine, const std::string& path, const HostFile& file, std::optional<Error>& why,
                      bool* exact = nullptr) {
        if (exact)
            *exact = false;
        const std::string& key = file.key;
        auto now = key.empty()  ? Result<host::Stat>(fail(WinError::FileNotFound, path))
                   : file.seen ? Result<host::Stat>(*file.seen)
                               : host::statPath(key);
        if (now && !now->isFolder())
            if (auto it = m_docs.find(key);
                it != m_docs.end() && same(it->second.seen, *now) && it->second.changes == File::changesInPlace()) {
                if (exact)
                    *exact = it->second.exact;
                return &it->second.doc;
            }
        if (!key.empty())
            m_docs.erase(key);
        auto stat = machine.stat(path);
        if (!stat)
            return nullptr;
        if (stat->isDirectory()) {
            why = fail(WinError::AccessDenied, path + " is a directory");
            return nullptr;
        }
        if (stat->size > kMaxProfileBytes) {
            why = fail(WinError::AccessDenied, path + " is too large for a profile file");
            return nullptr;
        }
        auto text = machine.readFile(path);
        if (!text) {
            why = text.error();
            return nullptr;
        }
        IniDocument doc = IniDocument::parse(*text);
        if (key.empty() || !now)
            return keepAside(std::move(doc));
        const bool asWritten = doc.serialize() == *text;
        if (exact)
            *exact = asWritten;
        return remember(key, *now, std::move(doc), asWritten);
    }
    // After `doc` (found above or new) was written as `path`.
    void written(const std::string& key, IniDocument doc) {
        if (key.empty())
            return;
        if (auto now = host::statPath(key))
            remember(key, *now, std::move(doc), true);
    }
    // A document that may not match its file any more.
    void forget(const std::string& key) { m_docs.erase(key); }

private:
    struct Entry {
        host::Stat seen;
        std::uint64_t changes = 0; // File::changesInPlace() when seen
        bool exact = false;        // the file is doc.serialize(), byte for byte
        IniDocument doc;
    };
    static bool same(const host::Stat& a, const host::Stat& b) {
        return a.device == b.device && a.inode == b.inode && a.size == b.size && a.changeSec == b.changeSec &&
               a.changeNsec == b.changeNsec && a.lastWrite == b.lastWrite;
    }
    IniDocument* remember(const std::string& key, const host::Stat& seen, IniDocument doc, bool exact) {
        if (m_docs.size() >= kKept)
            m_docs.erase(m_docs.begin()); // a few files are in use at a time
        auto& e = m_docs[key];
        e.seen = seen;
        e.changes = File::changesInPlace();
        e.exact = exact;
        e.doc = std::move(doc);
        return &e.doc;
    }
    IniDocument* keepAside(IniDocument doc) {
        m_aside = std::move(doc);
        return &m_aside;
    }
    static constexpr std::size_t kKept = 16;
    std::map<std::string, Entry> m_docs;
    IniDocument m_aside; // one that cannot be told apart from a changed file
};

// Profile functions are called from one thread at a time in practice; the
// lock keeps the documents whole should that change.
std::mutex g_lock;
Documents g_documents;

HostFile hostFile(const Machine& machine, const std::string& path) {
    auto host = machine.files().hostLook(path);
    if (!host)
        return {};
    HostFile f{host->first.string(), host->second};
    if (f.seen && !f.seen->isFile())
        f.seen.reset(); // a link's own look: the file behind it is looked at by path
    return f;
}

// `read` on the document of `file` (nullptr when there is none).
template <typename Read>
auto withDocument(Machine& machine, std::string_view file, Read read) {
    std::lock_guard lock(g_lock);
    std::optional<Error> why;
    const std::string path = profileFilePath(machine, file);
    return read(g_documents.find(machine, path, hostFile(machine, path), why));
}

} // namespace

std::string getPrivateProfileString(Machine& machine, std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::string_view file) {
    // A default is returned without its trailing blanks, as Windows does.
    while (!defaultValue.empty() && defaultValue.back() == ' ')
        defaultValue.remove_suffix(1);
    return withDocument(machine, file, [&](const IniDocument* doc) {
        return doc ? doc->get(section, key).value_or(std::string(defaultValue)) : std::string(defaultValue);
    });
}

int getPrivateProfileInt(Machine& machine, std::string_view section, std::string_view key, int defaultValue,
                         std::string_view file) {
    auto v = withDocument(machine, file, [&](const IniDocument* doc) {
        return doc ? doc->get(section, key) : std::nullopt;
    });
    if (!v || v->empty())
        return defaultValue;
    // As Windows NT reads it: a sign, then "0x", "0o" or "0b" choose the base
    // (decimal otherwise), digits up to the first that is not one.
    const char* begin = v->data();
    const char* end = begin + v->size();
    bool negative = false;
    if (begin != end && (*begin == '-' || *begin == '+'))
        negative = *begin++ == '-';
    unsigned base = 10;
    if (end - begin >= 2 && begin[0] == '0') {
        switch (begin[1] | 0x20) {
        case 'x': base = 16; break;
        case 'o': base = 8; break;
        case 'b': base = 2; break;
        default: break;
        }
        if (base != 10)
            begin += 2;
    }
    std::uint32_t u = 0; // wraps like a 32-bit UINT
    for (; begin != end; ++begin) {
        unsigned c = static_cast<unsigned char>(*begin);
        unsigned digit = c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? (c | 0x20) - 'a' + 10 : 99;
        if (digit >= base)
            break;
        u = u * base + digit;
    }
    if (negative)
        u = 0u - u;
    return static_cast<int>(u);
}

Result<void> writePrivateProfileString(Machine& machine, std::string_view section,
                                       std::optional<std::string_view> key,
                                       std::optional<std::string_view> value, std::string_view file) {
    std::string path = profileFilePath(machine, file);
    std::lock_guard lock(g_lock);
    // The file's folder, found once for the look and the write.
    Machine::KeepFolders keep(machine);
    std::optional<Error> why;
    const HostFile host = hostFile(machine, path);
    const std::string& hostFile = host.key;
    bool exact = false;
    IniDocument* found = g_documents.find(machine, path, host, why, &exact);
    if (why)
        return *why;
    IniDocument doc = found ? std::move(*found) : IniDocument();
    g_documents.forget(hostFile); // moved out: it is put back once written
    const std::size_t before = doc.lines().size();
    bool changed, appended = false;
    if (!key)
        changed = doc.removeSection(section);
    else if (!value)
        changed = doc.removeKey(section, *key);
    else
        changed = doc.set(section, *key, *value, &appended);
    if (!changed) {
        if (found)
            g_documents.written(hostFile, std::move(doc)); // unchanged, still the file's
        return {};
    }
    // Each write is on disk before the next statement; the flush to stable
    // storage waits for the end of the run or the next program started. New
    // lines at the end of a file that holds just what the document writes are
    // added to it; anything else writes the file whole and renames it into place.
    const auto later = FileSystem::Durable::Later;
    if (!(exact && appended && machine.files().appendFile(path, doc.serialize(before), later)))
        if (auto r = machine.writeFileAtomic(path, doc.serialize(), later); !r)
            return r;
    g_documents.written(hostFile, std::move(doc));
    return {};
}

std::vector<std::string> getPrivateProfileSectionNames(Machine& machine, std::string_view file) {
    return withDocument(machine, file,
                        [](const IniDocument* doc) { return doc ? doc->sectionNames() : std::vector<std::string>{}; });
}

std::vector<std::string> getPrivateProfileKeys(Machine& machine, std::string_view section, std::string_view file) {
    return withDocument(machine, file,
                        [&](const IniDocument* doc) { return doc ? doc->keys(section) : std::vector<std::string>{}; });
}

} // namespace zrv
