#include "platform/files/resolver.h"

#include "platform/base/ansi.h"

#include <vector>

namespace zrv {

std::string joinRel(const std::string& rel, const std::string& name) { return rel.empty() ? name : rel + "/" + name; }

std::pair<std::string, std::string> splitRel(const std::string& rel) {
    std::size_t slash = rel.rfind('/');
    if (slash == std::string::npos)
        return {"", rel};
    return {rel.substr(0, slash), rel.substr(slash + 1)};
}

std::string exactRel(const WinPath& path) {
    std::string rel;
    for (const std::string& c : path.components)
        rel = joinRel(rel, ansiToUtf8(c));
    return rel;
}

std::string Resolved::leaf() const { return splitRel(rel).second; }

const Drive* Resolver::drive(char letter) const {
    char d = toUpperAnsi(letter);
    if (d < 'A' || d > 'Z')
        return nullptr;
    return m_drives[static_cast<std::size_t>(d - 'A')].get();
}

void Resolver::setDrive(std::unique_ptr<Drive> drive) {
    m_drives[static_cast<std::size_t>(drive->letter - 'A')] = std::move(drive);
    letFoldersGo();
}

Result<Resolved> Resolver::resolve(const WinPath& path) const {
    const Drive* d = drive(path.drive);
    if (!d)
        return fail(WinError::PathNotFound, std::string("drive ") + path.drive + ": is not mapped");
    Resolved r;
    r.drive = d;
    r.total = path.components.size();
    if (r.total == 0)
        return r;
    std::vector<std::string> host;
    host.reserve(r.total);
    for (const std::string& c : path.components)
        host.push_back(ansiToUtf8(c));

    // A kept folder finds the names in it without a walk from the root.
    std::string keptKey;
    std::string exact = exactRel(path);
    if (m_keepDepth > 0) {
        keptKey = std::string(1, d->letter) + upperAnsi(path.parent().text());
        auto kept = m_keptFolders.find(keptKey);
        // The folder of a name is opened to be kept when it is named as stored:
        // the statement's next names there are looked at without a walk.
        if (kept == m_keptFolders.end() && r.total > 1) {
            std::string parent = splitRel(exact).first;
            if (auto opened = host::openInRoot(d->root.get(), parent, host::Read | host::Folder)) {
                (void)keep(keptKey, parent, std::move(*opened));
                kept = m_keptFolders.find(keptKey);
            }
        }
        if (kept != m_keptFolders.end() && lookInKept(path, kept->second, r))
            return r;
    }
    // Names given exactly as stored need no directory scan.
    auto handle = host::openInRoot(d->root.get(), exact, host::Look);
    if (handle) {
        r.handle = std::move(*handle);
        r.rel = exact;
        r.matched = r.total;
        return r;
    }

    std::string rel;
    std::size_t i = 0;
    // Most misses are a new last name in a folder named exactly: start there
    // instead of walking down from the root. There the exact name is known to
    // be missing, so only its other spellings are left to look for.
    std::optional<UniqueFd> dir;
    bool exactMissing = false;
    if (r.total > 1) {
        std::string parent = splitRel(exact).first;
        if (auto opened = host::openInRoot(d->root.get(), parent, host::Read | host::Folder)) {
            dir = std::move(*opened);
            rel = std::move(parent);
            i = r.total - 1;
            exactMissing = handle.code() == WinError::FileNotFound;
        }
    }
    for (; i < r.total; ++i) {
        if (!dir) {
            auto opened = host::openInRoot(d->root.get(), rel, host::Read | host::Folder);
            if (!opened)
                break;
            dir = std::move(*opened);
        }
        std::string match;
        if (!exactMissing && host::statAt(dir->get(), host[i])) {
            match = host[i];
        } else if (const std::string* found = findCaseFolded(dir->get(), path.components[i])) {
            match = *found;
        }
        // The folder of the last name serves whatever is done there next.
        if (i + 1 == r.total)
            r.parent = keep(keptKey, rel, std::move(*dir));
        dir.reset();
        if (match.empty())
            break;
        rel = joinRel(rel, match);
    }
    r.matched = i;
    for (; i < r.total; ++i)
        rel = joinRel(rel, host[i]);
    r.rel = rel;
    return r;
}

Result<std::pair<Folder, std::string>> Resolver::folderOf(const WinPath& path) const {
    const Drive* d = drive(path.drive);
    if (!d)
        return fail(WinError::PathNotFound, std::string("drive ") + path.drive + ": is not mapped");
    const WinPath parent = path.parent();
    std::string key;
    if (m_keepDepth > 0) {
        key = std::string(1, d->letter) + upperAnsi(parent.text());
        if (auto kept = m_keptFolders.find(key); kept != m_keptFolders.end()) {
            Folder f;
            f.shared = kept->second.fd;
            f.fd = f.shared->get();
            return std::pair{std::move(f), kept->second.rel};
        }
    }
    ZRV_TRY_ASSIGN(auto r, resolve(parent));
    if (!r.exists())
        return fail(WinError::PathNotFound, "no such directory: " + parent.text());
    auto fd = host::openInRoot(d->root.get(), r.rel, host::Read | host::Folder);
    if (!fd)
        return fail(WinError::PathNotFound, "not a directory: " + parent.text());
    return std::pair{keep(key, r.rel, std::move(*fd)), r.rel};
}

bool Resolver::lookInKept(const WinPath& path, const KeptFolder& kept, Resolved& r) const {
    const std::string& name = path.components.back();
    int dir = kept.fd->get();
    std::string host = ansiToUtf8(name);
    r.matched = r.total;
    auto found = host::statAt(dir, host);
    if (found && found->kind == host::Kind::Link) {
        return false; // a link, or something odd: the walk from the root decides
    } else if (found) {
        r.seen = *found;
    } else if (found.code() != WinError::FileNotFound) {
        return false;
    } else if (const std::string* other = findCaseFolded(dir, name)) {
        host = *other;
    } else {
        r.matched = r.total - 1;
    }
    r.rel = joinRel(kept.rel, host);
    r.parent.shared = kept.fd;
    r.parent.fd = dir;
    return true;
}

Folder Resolver::keep(const std::string& key, const std::string& rel, UniqueFd fd) const {
    Folder f;
    f.fd = fd.get();
    if (key.empty()) {
        f.owned = std::move(fd);
        return f;
    }
    if (m_keptFolders.size() >= 64)
        letFoldersGo();
    KeptFolder& slot = m_keptFolders[key];
    if (slot.fd)
        m_keptFds.erase(slot.fd->get());
    slot.rel = rel;
    slot.fd = std::make_shared<const UniqueFd>(std::move(fd));
    m_keptFds[slot.fd->get()] = KeptFd{slot.fd, std::nullopt};
    f.shared = slot.fd;
    return f;
}

Result<UniqueFd> Resolver::pathHandle(Resolved& r) {
    if (r.handle.valid())
        return std::move(r.handle);
    if (r.seen && r.parent.valid())
        return host::openBelow(r.parent.get(), r.leaf(), host::Look);
    return host::openInRoot(r.drive->root.get(), r.rel, host::Look);
}

Result<Folder> Resolver::openParent(Resolved& r) {
    if (r.parent.valid())
        return std::move(r.parent);
    ZRV_TRY_ASSIGN(auto fd, host::openInRoot(r.drive->root.get(), splitRel(r.rel).first, host::Look | host::Folder));
    Folder f;
    f.fd = fd.get();
    f.owned = std::move(fd);
    return f;
}

const std::string* Resolver::findCaseFolded(int dirfd, const std::string& component) const {
    DirectoryIndex* index = currentIndex(dirfd);
    if (!index)
        return nullptr;
    auto it = index->hostNameOf.find(upperAnsi(component));
    return it == index->hostNameOf.end() ? nullptr : &it->second;
}

Resolver::DirectoryIndex* Resolver::trustedIndex(int dirfd) const {
    if (m_keepDepth == 0)
        return nullptr;
    auto kept = m_keptFds.find(dirfd);
    if (kept == m_keptFds.end() || !kept->second.key)
        return nullptr;
    auto it = m_dirIndex.find(*kept->second.key);
    return it != m_dirIndex.end() && it->second.trustedIn == m_scope ? &it->second : nullptr;
}

void Resolver::noteKey(int dirfd, const FolderKey& key) const {
    if (auto kept = m_keptFds.find(dirfd); kept != m_keptFds.end())
        kept->second.key = key;
}

Resolver::DirectoryIndex* Resolver::currentIndex(int dirfd) const {
    if (DirectoryIndex* trusted = trustedIndex(dirfd))
        return trusted;
    auto dst = host::stat(dirfd);
    if (!dst)
        return nullptr;
    FolderKey key{dst->device, dst->inode};
    noteKey(dirfd, key);
    const std::uint64_t trust = m_keepDepth > 0 ? m_scope : 0;
    auto cached = m_dirIndex.find(key);
    if (cached != m_dirIndex.end()) {
        if (!cached->second.unsettled && cached->second.ctimeSec == dst->changeSec &&
            cached->second.ctimeNsec == dst->changeNsec) {
            cached->second.trustedIn = trust;
            return &cached->second;
        }
        m_dirIndex.erase(cached);
    }
    // Of several names that differ only in case, the smallest wins, so the choice
    // does not depend on the order the host lists them.
    DirectoryIndex index;
    index.ctimeSec = dst->changeSec;
    index.ctimeNsec = dst->changeNsec;
    index.trustedIn = trust;
    auto listed = host::list(dirfd, [&](const host::Entry& e) {
        auto ansi = utf8ToAnsi(e.name);
        if (!ansi)
            return;
        auto [it, inserted] = index.hostNameOf.try_emplace(upperAnsi(*ansi), e.name);
        if (!inserted && it->second > e.name)
            it->second = e.name;
    });
    if (!listed)
        return nullptr;
    if (m_dirIndex.size() >= 64)
        m_dirIndex.clear();
    return &(m_dirIndex[key] = std::move(index));
}

std::optional<Resolver::FolderKey> Resolver::beginChange(int dirfd) const {
    if (m_dirIndex.empty())
        return std::nullopt;
    if (trustedIndex(dirfd))
        return m_keptFds.find(dirfd)->second.key;
    auto dst = host::stat(dirfd);
    if (!dst)
        return std::nullopt;
    FolderKey key{dst->device, dst->inode};
    auto it = m_dirIndex.find(key);
    if (it == m_dirIndex.end())
        return std::nullopt;
    if (it->second.unsettled || it->second.ctimeSec != dst->changeSec || it->second.ctimeNsec != dst->changeNsec) {
        m_dirIndex.erase(it);
        return std::nullopt;
    }
    noteKey(dirfd, key);
    if (m_keepDepth > 0)
        it->second.trustedIn = m_scope;
    return key;
}

void Resolver::endChange(int dirfd, const std::optional<FolderKey>& key, const std::string& hostName,
                         Edit edit) const {
    if (!key)
        return;
    auto it = m_dirIndex.find(*key);
    auto ansi = utf8ToAnsi(hostName);
    if (it == m_dirIndex.end() || !ansi) {
        if (it != m_dirIndex.end())
            m_dirIndex.erase(it);
        return;
    }
    std::string upper = upperAnsi(*ansi);
    if (edit == Edit::Added) {
        auto [entry, inserted] = it->second.hostNameOf.try_emplace(upper, hostName);
        if (!inserted && entry->second > hostName)
            entry->second = hostName;
    } else {
        auto entry = it->second.hostNameOf.find(upper);
        // Another spelling of the name may remain: only that one scan can tell.
        if (entry != it->second.hostNameOf.end() && entry->second != hostName) {
            m_dirIndex.erase(it);
            return;
        }
        if (entry != it->second.hostNameOf.end())
            it->second.hostNameOf.erase(entry);
    }
    // A kept folder's change time is read once, when the statement is done.
    if (trustedIndex(dirfd) == &it->second) {
        it->second.unsettled = m_keptFds.find(dirfd)->second.fd;
        return;
    }
    auto dst = host::stat(dirfd);
    if (!dst) {
        m_dirIndex.erase(it);
        return;
    }
    it->second.ctimeSec = dst->changeSec;
    it->second.ctimeNsec = dst->changeNsec;
}

void Resolver::settleIndexes() const {
    for (auto it = m_dirIndex.begin(); it != m_dirIndex.end();) {
        DirectoryIndex& index = it->second;
        if (!index.unsettled) {
            ++it;
            continue;
        }
        auto dst = host::stat(index.unsettled->get());
        index.unsettled.reset();
        if (!dst || FolderKey{dst->device, dst->inode} != it->first) {
            it = m_dirIndex.erase(it);
            continue;
        }
        index.ctimeSec = dst->changeSec;
        index.ctimeNsec = dst->changeNsec;
        ++it;
    }
}

Resolver::Change::Change(const Resolver& resolver, int dir)
    : m_resolver(resolver), m_dir(dir), m_key(resolver.beginChange(dir)) {}

Resolver::Change::~Change() {
    if (!m_done && m_key)
        m_resolver.m_dirIndex.erase(*m_key);
}

void Resolver::Change::done(const std::string& hostName, Edit edit) {
    m_done = true;
    m_resolver.endChange(m_dir, m_key, hostName, edit);
}

} // namespace zrv
