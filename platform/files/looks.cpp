// Looking at files and searching folders.
#include "platform/files/filesystem.h"

#include "platform/base/ansi.h"
#include "platform/base/wildcard.h"

#include <algorithm>
#include <cstring>

namespace zrv {

namespace {

// A host name the machine can show: it converts to code page 1252 and is a
// name Windows would accept as it stands.
std::optional<std::string> windowsNameOf(const std::string& hostName) {
    auto ansi = utf8ToAnsi(hostName);
    if (!ansi || ansi->empty() || ansi->size() > kMaxComponentLength)
        return std::nullopt;
    for (char c : *ansi) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::strchr("<>:\"|?*\\", c))
            return std::nullopt;
    }
    if (ansi->back() == '.' || ansi->back() == ' ' || isDeviceName(*ansi))
        return std::nullopt;
    return ansi;
}

} // namespace

Result<FileInfo> FileSystem::stat(std::string_view path, Detail detail) {
    ZRV_TRY_ASSIGN(auto located, locate(path));
    const WinPath& p = located.path;
    Resolved& r = located.where;
    if (!r.exists())
        return missing(p, r, "no such file: ");
    // A look in a kept folder saw it already; else it is opened to be looked at.
    Result<UniqueFd> fd = UniqueFd();
    Result<host::Stat> st = r.seen ? Result<host::Stat>(*r.seen) : fail(WinError::FileNotFound, "");
    if (!r.seen) {
        fd = Resolver::pathHandle(r);
        if (!fd)
            return about(p, fd.error());
        st = host::stat(fd->get());
    }
    if (!st)
        return about(p, st.error());
    FileInfo info;
    info.name = p.isRoot() ? std::string() : utf8ToAnsiLossy(r.leaf());
    if (detail == Detail::Brief)
        info.attributes = st->isFolder() ? FileAttribute::Directory : FileAttribute::Normal;
    else if (r.seen)
        info.attributes = host::attributesAt(r.parent.get(), r.leaf(), *st);
    else
        info.attributes = host::attributes(fd->get(), host::Via::Handle, *st);
    info.size = st->isFolder() ? 0 : st->size;
    info.lastWrite = st->lastWrite;
    return info;
}

bool FileSystem::exists(std::string_view path) { return stat(path, Detail::Brief).ok(); }

bool FileSystem::isDirectory(std::string_view path) {
    auto s = stat(path, Detail::Brief);
    return s && s->isDirectory();
}

Result<std::uint32_t> FileSystem::attributes(std::string_view path) {
    ZRV_TRY_ASSIGN(auto s, stat(path));
    return s.attributes;
}

Result<void> FileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
    ZRV_TRY_ASSIGN(auto located, locate(path));
    const WinPath& p = located.path;
    Resolved& r = located.where;
    if (!r.exists())
        return missing(p, r, "no such file: ");
    if (r.drive->readOnly)
        return fail(WinError::WriteProtect, std::string("drive ") + p.drive + ": is read-only");
    ZRV_TRY_ASSIGN(auto fd, Resolver::pathHandle(r));
    auto st = host::stat(fd.get());
    if (!st)
        return about(p, st.error());
    ZRV_TRY(host::storeAttributes(fd.get(), host::Via::Handle, attributes));
    // Read-only is the owner's write bit; on directories Windows ignores it.
    if (st->isFile())
        if (auto w = host::setOwnerWritable(fd.get(), host::Via::Handle, *st, host::writableFor(attributes));
            !w)
            return about(p, w.error());
    return {};
}

Result<void> FileSystem::setLastWriteTime(std::string_view path, FileTime time) {
    ZRV_TRY_ASSIGN(auto f, openFile(path, Access::Write, Disposition::OpenExisting));
    return f.setLastWriteTime(time);
}

Result<std::vector<FileInfo>> FileSystem::findFiles(std::string_view pattern, Detail detail) {
    ZRV_TRY_ASSIGN(auto p, fullPath(pattern, PathUse::Pattern));
    if (p.isRoot())
        return fail(WinError::FileNotFound, "a search needs a name or pattern");
    const std::string leafPattern = p.name();
    const WildcardPattern matcher(leafPattern);
    std::vector<FileInfo> out;
    if (!hasWildcards(leafPattern)) {
        auto s = stat(p.text(), detail);
        if (s)
            out.push_back(*s);
        else if (s.code() == WinError::PathNotFound)
            return s.error();
        return out;
    }
    WinPath dir = p.parent();
    ZRV_TRY_ASSIGN(auto r, m_resolver.resolve(dir));
    if (!r.exists())
        return fail(WinError::PathNotFound, "no such directory: " + dir.text());
    auto dirfd = host::openInRoot(r.drive->root.get(), r.rel, host::Read | host::Folder);
    if (!dirfd)
        return fail(WinError::PathNotFound, "not a directory: " + dir.text());
    auto listed = host::list(dirfd->get(), [&](const host::Entry& e) {
        auto name = windowsNameOf(e.name);
        if (!name || !matcher.matches(*name))
            return;
        // The listing's own entry type tells files from folders without a look.
        if (detail == Detail::Brief && (e.kind == host::Kind::File || e.kind == host::Kind::Folder)) {
            FileInfo info;
            info.name = *name;
            info.attributes = e.kind == host::Kind::Folder ? FileAttribute::Directory : FileAttribute::Normal;
            out.push_back(std::move(info));
            return;
        }
        auto st = host::statAt(dirfd->get(), e.name);
        if (!st)
            return;
        UniqueFd target;
        if (st->kind == host::Kind::Link) {
            // A link shows what it points at inside the drive, or nothing.
            auto t = host::openInRoot(r.drive->root.get(), joinRel(r.rel, e.name), host::Look);
            st = t ? host::stat(t->get()) : Result<host::Stat>(t.error());
            if (!st)
                return;
            target = std::move(*t);
        }
        if (!st->isFile() && !st->isFolder())
            return;
        FileInfo info;
        info.name = *name;
        info.attributes = target.valid() ? host::attributes(target.get(), host::Via::Handle, *st)
                                         : host::attributesAt(dirfd->get(), e.name, *st);
        info.size = st->isFolder() ? 0 : st->size;
        info.lastWrite = st->lastWrite;
        out.push_back(std::move(info));
    });
    if (!listed)
        return about(dir, listed.error());
    std::sort(out.begin(), out.end(), [](const FileInfo& x, const FileInfo& y) {
        int c = compareNoCase(x.name, y.name);
        return c != 0 ? c < 0 : x.name < y.name;
    });
    if (!dir.isRoot()) {
        // Windows lists "." and ".." first in every directory but a root.
        auto dirst = host::stat(dirfd->get());
        std::vector<FileInfo> dots;
        for (const char* dot : {".", ".."}) {
            if (!matcher.matches(dot))
                continue;
            FileInfo info;
            info.name = dot;
            info.attributes = FileAttribute::Directory;
            info.lastWrite = dirst ? dirst->lastWrite : 0;
            dots.push_back(info);
        }
        out.insert(out.begin(), dots.begin(), dots.end());
    }
    return out;
}

} // namespace zrv
