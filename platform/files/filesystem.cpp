#include "platform/files/filesystem.h"

#include "platform/base/ansi.h"

#include <algorithm>
#include <set>

namespace zrv {

namespace fs = std::filesystem;

namespace {

// A file that can change: not a folder, and not read-only.
Result<void> checkChangeableFile(const WinPath& path, const host::Stat& st) {
    if (st.isFolder())
        return fail(WinError::AccessDenied, path.text() + " is a directory");
    if (st.isFile() && !st.ownerWritable())
        return fail(WinError::AccessDenied, path.text() + " is read-only");
    return {};
}

} // namespace

// ---------------------------------------------------------------------------
// Paths and drives

Result<WinPath> FileSystem::fullPath(std::string_view path, PathUse use) const {
    return zrv::fullPath(path, m_dirs, use);
}

Result<FileSystem::Located> FileSystem::locate(std::string_view path, PathUse use) const {
    ZRV_TRY_ASSIGN(auto p, fullPath(path, use));
    ZRV_TRY_ASSIGN(auto r, m_resolver.resolve(p));
    return Located{std::move(p), std::move(r)};
}

Error FileSystem::missing(const WinPath& path, const Resolved& r, const char* what) {
    // Windows tells a missing folder on the way from a missing last name.
    return fail(r.matched + 1 < r.total ? WinError::PathNotFound : WinError::FileNotFound, what + path.text());
}

Result<void> FileSystem::checkWritable(const WinPath& path, const Drive& drive) const {
    if (drive.readOnly)
        return fail(WinError::WriteProtect, std::string("drive ") + path.drive + ": is read-only");
    if (m_inUse && m_inUse(path))
        return fail(WinError::SharingViolation, path.text() + " is in use");
    return {};
}

Result<FileSystem::Target> FileSystem::changing(std::string_view path, Need need, const char* missingWhat,
                                                Root root) {
    ZRV_TRY_ASSIGN(auto p, fullPath(path));
    if (p.isRoot() && root == Root::IsDirectory)
        return fail(WinError::AccessDenied, p.text() + " is a directory");
    if (p.isRoot() && root == Root::NotRemovable)
        return fail(WinError::AccessDenied, "a drive's root cannot be removed");
    ZRV_TRY_ASSIGN(auto where, m_resolver.resolve(p));
    Target t{std::move(p), std::move(where), {}, {}};
    const bool exists = t.where.exists();
    if (need == Need::Existing && !exists)
        return missing(t.path, t.where, missingWhat);
    if (need == Need::New && exists)
        return fail(WinError::AlreadyExists, t.path.text() + " exists");
    const bool folderMissing = t.where.matched + 1 < t.where.total;
    if (need != Need::Existing && folderMissing)
        return fail(WinError::PathNotFound, "no such directory: " + t.path.parent().text());
    ZRV_TRY(checkWritable(t.path, t.where));
    auto folder = Resolver::openParent(t.where);
    if (!folder) {
        if (need == Need::Existing)
            return folder.error();
        return fail(WinError::PathNotFound, "no such directory: " + t.path.parent().text());
    }
    t.folder = std::move(*folder);
    t.leaf = t.where.leaf();
    return t;
}

Result<void> FileSystem::setCurrentDirectory(std::string_view path) {
    ZRV_TRY_ASSIGN(auto located, locate(path));
    const WinPath& p = located.path;
    const Resolved& r = located.where;
    if (!r.exists())
        return fail(WinError::PathNotFound, "no such directory: " + p.text());
    if (!host::openInRoot(r.drive->root.get(), r.rel, host::Look | host::Folder))
        return fail(WinError::InvalidDirectory, "not a directory: " + p.text());
    m_dirs.currentDrive = p.drive;
    m_dirs.perDrive[static_cast<std::size_t>(p.drive - 'A')] = p.text();
    return {};
}

Result<fs::path> FileSystem::hostPath(std::string_view path) const {
    ZRV_TRY_ASSIGN(auto located, locate(path));
    const Resolved& r = located.where;
    // The existing part is reported as the host resolved it, links included, so
    // the answer names the real file.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < r.rel.size()) {
        std::size_t end = r.rel.find('/', start);
        if (end == std::string::npos)
            end = r.rel.size();
        parts.push_back(r.rel.substr(start, end - start));
        start = end + 1;
    }
    std::string existing;
    for (std::size_t i = 0; i < r.matched; ++i)
        existing = joinRel(existing, parts[i]);
    auto fd = host::openInRoot(r.drive->root.get(), existing, host::Look);
    fs::path out = r.drive->hostRoot;
    if (fd) {
        if (auto real = host::realPath(fd->get()))
            out = fs::path(*real);
    } else if (!existing.empty()) {
        // The part that exists cannot be opened inside the drive (a link that
        // leads out of it): its host path would name a file the machine never
        // opens.
        return fail(WinError::AccessDenied, located.path.text() + ": leads out of drive " +
                                                std::string(1, r.drive->letter) + ":'s folder through a link");
    }
    for (std::size_t i = r.matched; i < parts.size(); ++i)
        out /= parts[i];
    return out;
}

Result<std::pair<fs::path, std::optional<host::Stat>>> FileSystem::hostLook(std::string_view path) const {
    ZRV_TRY_ASSIGN(auto located, locate(path));
    return std::make_pair(located.where.drive->hostRoot / located.where.rel, located.where.seen);
}

std::vector<char> FileSystem::driveLetters() const {
    std::vector<char> out;
    for (char l = 'A'; l <= 'Z'; ++l)
        if (drive(l))
            out.push_back(l);
    return out;
}

Result<void> FileSystem::mapDrive(const DriveMapping& mapping, const fs::path& base) {
    ZRV_TRY_ASSIGN(auto d, Drive::open(mapping, base));
    m_resolver.setDrive(std::make_unique<Drive>(std::move(d)));
    m_lastNoted = {}; // the new drive may sit where the old one did
    return {};
}

Result<std::uint64_t> FileSystem::freeSpace(char letter) const {
    const Drive* d = drive(letter);
    if (!d)
        return fail(WinError::InvalidDrive, std::string("drive ") + letter + ": is not mapped");
    auto free = d->freeBytes();
    if (!free)
        return free;
    // Windows 95 reports at most 2 GB, and scripts compare it as a signed number.
    return std::min<std::uint64_t>(*free, kMaxReportedFreeSpace);
}

Result<std::string> FileSystem::volumeLabel(char letter) const {
    const Drive* d = drive(letter);
    if (!d)
        return fail(WinError::InvalidDrive, std::string("drive ") + letter + ": is not mapped");
    return d->label;
}

// ---------------------------------------------------------------------------
// Files

Result<File> FileSystem::openFile(std::string_view path, Access access, Disposition disposition) {
    // Most reads name a file as it is stored: one open, no lookup first.
    if (access == Access::Read && disposition == Disposition::OpenExisting) {
        auto p = fullPath(path);
        const Drive* d = p && !p->isRoot() ? drive(p->drive) : nullptr;
        if (d) {
            if (auto fd = host::openInRoot(d->root.get(), exactRel(*p), host::Read))
                return File::adopt(std::move(*fd), *p, d, Access::Read, File::Origin::Existing);
        }
    }
    ZRV_TRY_ASSIGN(auto located, locate(path));
    const WinPath& p = located.path;
    Resolved& r = located.where;
    if (p.isRoot())
        return fail(WinError::AccessDenied, p.text() + " is a directory");
    if (r.matched + 1 < r.total)
        return fail(WinError::PathNotFound, "no such directory: " + p.parent().text());

    const bool exists = r.exists();
    const bool truncating = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
    const bool writing = access != Access::Read || truncating || !exists;
    if (exists) {
        if (disposition == Disposition::CreateNew)
            return fail(WinError::FileExists, p.text() + " exists");
        // Only a write needs this look before opening (root could open a
        // read-only file for writing); a read checks the opened file below.
        if (writing) {
            auto probe = Resolver::pathHandle(r);
            if (auto st = probe ? host::stat(probe->get()) : Result<host::Stat>(probe.error()))
                ZRV_TRY(checkChangeableFile(p, *st));
        }
    } else if (disposition == Disposition::OpenExisting || disposition == Disposition::TruncateExisting) {
        return fail(WinError::FileNotFound, "no such file: " + p.text());
    }
    if (writing)
        ZRV_TRY(checkWritable(p, r));

    unsigned how = access == Access::Read ? host::Read : access == Access::Write ? host::Write : host::Read | host::Write;
    switch (disposition) {
    case Disposition::OpenExisting: break;
    case Disposition::CreateNew: how |= host::Create | host::Exclusive; break;
    case Disposition::CreateAlways: how |= host::Create | host::Truncate; break;
    case Disposition::OpenAlways: how |= host::Create; break;
    case Disposition::TruncateExisting: how |= host::Truncate; break;
    }
    if ((how & host::Truncate) && access == Access::Read)
        how = (how & ~host::Read) | host::Write;
    // A new name is made in the folder resolving found, when it has it open
    // or the folder's index is to be kept current.
    Folder parent;
    std::optional<Resolver::Change> change;
    const std::string leaf = r.leaf();
    if (!exists && (r.parent.valid() || m_resolver.indexesFolders())) {
        if (auto pf = Resolver::openParent(r)) {
            parent = std::move(*pf);
            change.emplace(m_resolver, parent.get());
        }
    }
    auto fd = parent.valid() ? host::openBelow(parent.get(), leaf, how) : host::openInRoot(r.drive->root.get(), r.rel, how);
    if (!fd)
        return about(p, fd.error());
    if (change)
        change->added(leaf);
    const bool made = disposition == Disposition::CreateNew;
    auto f = File::adopt(std::move(*fd), p, r.drive, access, made ? File::Origin::Made : File::Origin::Existing);
    if (!f)
        return f;
    if (!made && (!exists || truncating))
        if (auto a = f->markArchive(); !a && a.code() != WinError::NotSupported)
            return a.error();
    return f;
}

Result<std::string> FileSystem::readFile(std::string_view path) {
    ZRV_TRY_ASSIGN(auto f, openFile(path, Access::Read, Disposition::OpenExisting));
    return f.readToEnd();
}

FileSystem::~FileSystem() { (void)syncWrites(); }

Result<void> FileSystem::syncWrites() {
    Result<void> first;
    std::set<std::pair<std::uint64_t, std::uint64_t>> folders;
    for (auto& [path, u] : m_unsynced) {
        if (auto r = host::syncData(u.file.get()); !r && first)
            first = r;
        // Each folder once: the renames live in it.
        if (auto st = host::stat(u.folder.get()); st && folders.emplace(st->device, st->inode).second)
            if (auto r = host::syncData(u.folder.get()); !r && first)
                first = r;
    }
    m_unsynced.clear();
    return first;
}

void FileSystem::keepUnsynced(const std::string& hostPath, UniqueFd file, int folder) {
    // The descriptor stays open to be synced; a later write of the same file
    // replaces it (an older version is gone already, or is this one).
    auto it = m_unsynced.find(hostPath);
    if (it != m_unsynced.end()) {
        it->second.file = std::move(file);
        return;
    }
    if (auto dir = host::openBelow(folder, ".", host::Read | host::Folder))
        m_unsynced[hostPath] = {std::move(file), std::move(*dir)};
    else
        (void)host::syncData(file.get()); // no folder handle to keep: now, then
}

Result<void> FileSystem::appendFile(std::string_view path, std::string_view bytes, Durable durable) {
    ZRV_TRY_ASSIGN(auto t, changing(path, Need::Existing, "file", Root::IsDirectory));
    const WinPath& p = t.path;
    auto out = host::openBelow(t.folder.get(), t.leaf, host::Write);
    if (!out)
        return about(p, out.error());
    ZRV_TRY_ASSIGN(auto st, host::stat(out->get()));
    ZRV_TRY(checkChangeableFile(p, st));
    if (const Drive* d = t.where.drive; d->capacity && d->usedBytes() + bytes.size() > *d->capacity)
        return fail(WinError::DiskFull, std::string("drive ") + p.drive + ": is full");
    auto written = [&]() -> Result<void> {
        ZRV_TRY(host::seek(out->get(), 0, SeekOrigin::End));
        ZRV_TRY_ASSIGN(auto n, host::write(out->get(), bytes.data(), bytes.size()));
        if (n != bytes.size())
            return fail(WinError::DiskFull, "short write");
        if (durable == Durable::Now)
            ZRV_TRY(host::syncData(out->get()));
        return {};
    }();
    if (!written) {
        // Back to the old end, so no part of the addition stays.
        if (host::seek(out->get(), static_cast<std::int64_t>(st.size), SeekOrigin::Begin))
            (void)host::truncateHere(out->get());
        return about(p, written.error());
    }
    // The archive bit, written only when it is not set yet (a file appended to
    // again and again has it from the first time).
    const std::uint32_t stored = host::attributes(out->get(), host::Via::OpenFile, st) & FileAttribute::Stored;
    if (!(stored & FileAttribute::Archive))
        (void)host::storeAttributes(out->get(), host::Via::OpenFile, stored | FileAttribute::Archive);
    if (durable == Durable::Later)
        keepUnsynced((t.where.drive->hostRoot / t.where.rel).string(), std::move(*out), t.folder.get());
    return {};
}

Result<void> FileSystem::writeFileAtomic(std::string_view path, std::string_view bytes, Durable durable) {
    ZRV_TRY_ASSIGN(auto t, changing(path, Need::Either, "", Root::IsDirectory));
    const WinPath& p = t.path;
    const int dir = t.folder.get();
    std::optional<host::Stat> old;
    if (t.where.exists()) {
        auto probe = Resolver::pathHandle(t.where);
        if (auto st = probe ? host::stat(probe->get()) : Result<host::Stat>(probe.error())) {
            ZRV_TRY(checkChangeableFile(p, *st));
            old = *st;
        }
    }
    if (const Drive* d = t.where.drive; d->capacity) {
        std::uint64_t used = d->usedBytes() - (old ? old->size : 0);
        if (used + bytes.size() > *d->capacity)
            return fail(WinError::DiskFull, std::string("drive ") + p.drive + ": is full");
    }

    Resolver::Change change(m_resolver, dir);
    std::string tmp;
    Result<UniqueFd> out = fail(WinError::AccessDenied, p.text() + ": no temporary name free");
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = temporaryName(*t.where.drive, splitRel(t.where.rel).first);
        out = host::openBelow(dir, tmp, host::Write | host::Create | host::Exclusive, old ? old->mode : 0644);
        if (out || out.code() != WinError::FileExists)
            break;
    }
    if (!out)
        return about(p, out.error());
    auto written = [&]() -> Result<void> {
        ZRV_TRY_ASSIGN(auto n, host::write(out->get(), bytes.data(), bytes.size()));
        if (n != bytes.size())
            return fail(WinError::DiskFull, "short write");
        if (durable == Durable::Now)
            ZRV_TRY(host::syncData(out->get()));
        std::uint32_t attr = FileAttribute::Archive;
        if (old)
            attr |= host::attributesAt(dir, t.leaf, *old) & FileAttribute::Stored;
        (void)host::storeAttributes(out->get(), host::Via::OpenFile, attr);
        return host::rename(dir, tmp, dir, t.leaf, host::Replace::Yes);
    }();
    if (!written) {
        (void)host::remove(dir, tmp, host::Remove::File);
        return about(p, written.error());
    }
    change.added(t.leaf);
    if (durable == Durable::Later)
        keepUnsynced((t.where.drive->hostRoot / t.where.rel).string(), std::move(*out), dir);
    return {};
}

std::string FileSystem::temporaryName(const Drive& drive, const std::string& folderRel) {
    // A statement makes its many files in one folder: that folder is noted once.
    if (!m_scratch || (m_lastNoted.first == &drive && m_lastNoted.second == folderRel))
        return host::ScratchJournal::freshName();
    m_lastNoted = {&drive, folderRel};
    return m_scratch->nameIn(drive.hostRoot / folderRel);
}

Result<std::string> FileSystem::temporaryPath(std::string_view folder) {
    ZRV_TRY_ASSIGN(auto l, locate(folder));
    if (!l.where.exists())
        return missing(l.path, l.where, "no such folder: ");
    const std::string name = temporaryName(*l.where.drive, l.where.rel);
    std::string text = l.path.text();
    if (text.empty() || text.back() != '\\')
        text += '\\';
    return text + name;
}

Result<std::pair<File, FileSystem::Beside>> FileSystem::createBeside(std::string_view target) {
    ZRV_TRY_ASSIGN(auto p, fullPath(target));
    if (p.isRoot())
        return fail(WinError::AccessDenied, p.text() + " is a directory");
    const Drive* d = drive(p.drive);
    if (!d)
        return fail(WinError::PathNotFound, std::string("drive ") + p.drive + ": is not mapped");
    if (d->readOnly)
        return fail(WinError::WriteProtect, std::string("drive ") + p.drive + ": is read-only");
    ZRV_TRY_ASSIGN(auto found, m_resolver.folderOf(p));
    Beside b{p, std::move(found.first), {}};
    const int dir = b.folder.get();
    Resolver::Change change(m_resolver, dir);
    Result<UniqueFd> out = fail(WinError::AccessDenied, p.text() + ": no temporary name free");
    for (int attempt = 0; attempt < 100; ++attempt) {
        b.temp = temporaryName(*d, found.second);
        out = host::openBelow(dir, b.temp, host::Read | host::Write | host::Create | host::Exclusive);
        if (out || out.code() != WinError::FileExists)
            break;
    }
    if (!out)
        return about(p, out.error());
    change.added(b.temp);
    ZRV_TRY_ASSIGN(auto f, File::adopt(std::move(*out), p.parent().child(b.temp), d, Access::ReadWrite,
                                       File::Origin::Made));
    return std::pair{std::move(f), std::move(b)};
}

Result<void> FileSystem::placeBeside(Beside& beside, Place how) {
    const WinPath& p = beside.target;
    const int dir = beside.folder.get();
    const std::string wanted = ansiToUtf8(p.name());
    // The target as stored: its own spelling, else another case of it. A new
    // name needs no look of its own: the rename refuses one that is there.
    std::string leaf;
    if (how == Place::Replace && host::statAt(dir, wanted))
        leaf = wanted;
    else if (const std::string* other = m_resolver.storedName(dir, p.name()))
        leaf = *other;
    if (leaf.empty() || how == Place::New) {
        if (!leaf.empty())
            return fail(WinError::AlreadyExists, p.text() + " exists");
        auto m = renameEntry(dir, beside.temp, dir, wanted, host::Replace::No);
        return m ? m : about(p, m.error());
    }
    ZRV_TRY(checkWritable(p, *drive(p.drive)));
    auto st = host::statAt(dir, leaf);
    if (!st)
        return about(p, st.error());
    if (!st->isFile())
        return fail(WinError::AccessDenied, p.text() + " is not a file");
    if (!st->ownerWritable())
        return fail(WinError::AccessDenied, p.text() + " is read-only");
    auto m = renameEntry(dir, beside.temp, dir, leaf, host::Replace::Yes);
    return m ? m : about(p, m.error());
}

void FileSystem::dropBeside(Beside& beside) {
    Resolver::Change change(m_resolver, beside.folder.get());
    if (host::remove(beside.folder.get(), beside.temp, host::Remove::File))
        change.removed(beside.temp);
}

Result<void> FileSystem::deleteFile(std::string_view path) {
    ZRV_TRY_ASSIGN(auto t, changing(path, Need::Existing, "no such file: ", Root::IsDirectory));
    auto st = host::statAt(t.folder.get(), t.leaf);
    if (!st)
        return about(t.path, st.error());
    ZRV_TRY(checkChangeableFile(t.path, *st));
    Resolver::Change change(m_resolver, t.folder.get());
    if (auto d = host::remove(t.folder.get(), t.leaf, host::Remove::File); !d)
        return about(t.path, d.error());
    change.removed(t.leaf);
    return {};
}

Result<void> FileSystem::moveFile(std::string_view from, std::string_view to) {
    ZRV_TRY_ASSIGN(auto a, fullPath(from));
    ZRV_TRY_ASSIGN(auto b, fullPath(to));
    if (a.isRoot() || b.isRoot())
        return fail(WinError::AccessDenied, "a drive's root cannot be moved");
    if (a.drive != b.drive)
        return fail(WinError::NotSameDevice, "cannot move between drives");
    ZRV_TRY_ASSIGN(auto ra, m_resolver.resolve(a));
    ZRV_TRY_ASSIGN(auto rb, m_resolver.resolve(b));
    if (!ra.exists())
        return missing(a, ra, "no such file: ");
    const bool sameEntry = rb.exists() && ra.rel == rb.rel;
    if (rb.exists() && !sameEntry)
        return fail(WinError::AlreadyExists, b.text() + " exists");
    if (rb.matched + 1 < rb.total)
        return fail(WinError::PathNotFound, "no such directory: " + b.parent().text());
    ZRV_TRY(checkWritable(a, ra));
    ZRV_TRY(checkWritable(b, rb));
    ZRV_TRY_ASSIGN(auto pa, Resolver::openParent(ra));
    const std::string leafA = ra.leaf();
    auto st = host::statAt(pa.get(), leafA);
    if (!st)
        return about(a, st.error());
    if (st->isFile() && !st->ownerWritable())
        return fail(WinError::AccessDenied, a.text() + " is read-only");
    if (st->isFolder() && (rb.rel == ra.rel || rb.rel.rfind(ra.rel + "/", 0) == 0) && !sameEntry)
        return fail(WinError::AccessDenied, "cannot move a directory into itself");
    ZRV_TRY_ASSIGN(auto pb, Resolver::openParent(rb));
    // A change of case only renames the entry to the new spelling.
    const std::string leafB = sameEntry ? ansiToUtf8(b.name()) : rb.leaf();
    if (sameEntry && leafA == leafB)
        return {};
    if (auto m = renameEntry(pa.get(), leafA, pb.get(), leafB, host::Replace::No); !m)
        return about(a, m.error());
    if (st->isFolder())
        m_resolver.letFoldersGo(); // kept ones may be below the moved folder
    return {};
}

Result<void> FileSystem::replaceFile(std::string_view from, std::string_view to) {
    ZRV_TRY_ASSIGN(auto a, locate(from));
    ZRV_TRY_ASSIGN(auto b, locate(to));
    if (a.path.drive != b.path.drive)
        return fail(WinError::NotSameDevice, "cannot move between drives");
    if (!a.where.exists())
        return missing(a.path, a.where, "no such file: ");
    if (!b.where.exists())
        return moveFile(from, to);
    Folder folders[2];
    Located* ends[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        Located& l = *ends[i];
        ZRV_TRY(checkWritable(l.path, l.where));
        ZRV_TRY_ASSIGN(auto parent, Resolver::openParent(l.where));
        auto st = host::statAt(parent.get(), l.where.leaf());
        if (!st)
            return about(l.path, st.error());
        if (!st->isFile())
            return fail(WinError::AccessDenied, l.path.text() + " is not a file");
        if (!st->ownerWritable())
            return fail(WinError::AccessDenied, l.path.text() + " is read-only");
        folders[i] = std::move(parent);
    }
    auto m = renameEntry(folders[0].get(), a.where.leaf(), folders[1].get(), b.where.leaf(), host::Replace::Yes);
    return m ? m : about(a.path, m.error());
}

Result<void> FileSystem::renameEntry(int fromDir, const std::string& from, int toDir, const std::string& to,
                                     host::Replace replace) {
    Resolver::Change leaving(m_resolver, fromDir);
    Resolver::Change arriving(m_resolver, toDir);
    ZRV_TRY(host::rename(fromDir, from, toDir, to, replace));
    leaving.removed(from);
    arriving.added(to);
    return {};
}

Result<void> FileSystem::createDirectory(std::string_view path) {
    ZRV_TRY_ASSIGN(auto t, changing(path, Need::New, ""));
    Resolver::Change change(m_resolver, t.folder.get());
    if (auto m = host::makeFolder(t.folder.get(), t.leaf); !m)
        return about(t.path, m.error());
    change.added(t.leaf);
    return {};
}

Result<void> FileSystem::removeDirectory(std::string_view path) {
    ZRV_TRY_ASSIGN(auto t, changing(path, Need::Existing, "no such directory: ", Root::NotRemovable));
    for (char l = 'A'; l <= 'Z'; ++l) {
        if (!m_dirs.perDrive[static_cast<std::size_t>(l - 'A')].empty() &&
            equalNoCase(m_dirs.directoryOf(l).text(), t.path.text()))
            return fail(WinError::SharingViolation, t.path.text() + " is a current directory");
    }
    auto st = host::statAt(t.folder.get(), t.leaf);
    if (!st)
        return about(t.path, st.error());
    if (!st->isFolder())
        return fail(WinError::InvalidDirectory, t.path.text() + " is not a directory");
    Resolver::Change change(m_resolver, t.folder.get());
    if (auto r = host::remove(t.folder.get(), t.leaf, host::Remove::Folder); !r)
        return about(t.path, r.error());
    m_resolver.letFoldersGo();
    change.removed(t.leaf);
    return {};
}

} // namespace zrv
