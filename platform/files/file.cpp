#include "platform/files/file.h"

#include <atomic>

#include "platform/files/drive.h"

namespace zrv {

Result<File> File::adopt(UniqueFd fd, const WinPath& path, const Drive* drive, Access access, Origin origin) {
    // Opened without blocking so a FIFO cannot hang the open; only regular files
    // are kept, and for those the flag changes nothing.
    File f;
    if (origin == Origin::Existing) {
        auto st = host::stat(fd.get());
        if (!st || !st->isFile())
            return fail(WinError::AccessDenied,
                        path.text() + (st && st->isFolder() ? " is a directory" : " is not a file"));
        if (access == Access::Read) {
            f.m_seen = *st;
            f.m_seenAt = changesInPlace() + 1;
        }
    }
    f.m_fd = std::move(fd);
    f.m_path = path;
    f.m_drive = drive;
    f.m_writable = access != Access::Read;
    f.m_marked = origin == Origin::Made;
    f.m_madeWritable = origin == Origin::Made && !(host::creationMask() & 0200);
    return f;
}

namespace {
std::atomic<std::uint64_t> g_changesInPlace{0};
} // namespace

std::uint64_t File::changesInPlace() { return g_changesInPlace.load(std::memory_order_relaxed); }
void File::noteChangesInPlace() { g_changesInPlace.fetch_add(1, std::memory_order_relaxed); }

Result<void> File::checkOpen(Use use) const {
    if (!isOpen())
        return fail(WinError::InvalidParameter, "file not open");
    if (use == Use::Writing && !m_writable)
        return fail(WinError::AccessDenied, m_path.text() + " is open for reading");
    if (use == Use::Writing)
        noteChangesInPlace();
    return {};
}

Error File::about(const Error& e) const { return fail(e.code, m_path.text() + ": " + e.message); }

Result<std::size_t> File::read(void* buffer, std::size_t count) {
    ZRV_TRY(checkOpen(Use::Reading));
    auto n = host::read(m_fd.get(), buffer, count);
    return n ? n : about(n.error());
}

Result<std::string> File::readToEnd() {
    std::string out;
    char buf[65536];
    for (;;) {
        ZRV_TRY_ASSIGN(auto n, read(buf, sizeof buf));
        if (n == 0)
            return out;
        out.append(buf, n);
    }
}

Result<std::size_t> File::readAt(void* buffer, std::size_t count, std::uint64_t offset) {
    ZRV_TRY(checkOpen(Use::Reading));
    auto n = host::readAt(m_fd.get(), buffer, count, offset);
    return n ? n : about(n.error());
}

Result<std::size_t> File::write(const void* buffer, std::size_t count) {
    ZRV_TRY(checkOpen(Use::Writing));
    if (m_drive && m_drive->capacity && count > 0) {
        auto st = host::stat(m_fd.get());
        auto pos = host::seek(m_fd.get(), 0, SeekOrigin::Current);
        if (st && pos) {
            std::uint64_t end = *pos + count;
            std::uint64_t growth = end > st->size ? end - st->size : 0;
            if (growth > 0) {
                std::uint64_t used = m_drive->usedBytes();
                std::uint64_t room = used < *m_drive->capacity ? *m_drive->capacity - used : 0;
                if (growth > room)
                    count -= static_cast<std::size_t>(growth - room);
                if (count == 0)
                    return fail(WinError::DiskFull, std::string("drive ") + m_path.drive + ": is full");
            }
        }
    }
    if (auto a = markArchive(); !a && a.code() != WinError::NotSupported)
        return a.error();
    auto n = host::write(m_fd.get(), buffer, count);
    return n ? n : about(n.error());
}

Result<std::size_t> File::copyFrom(File& source, std::size_t count) {
    ZRV_TRY(checkOpen(Use::Writing));
    ZRV_TRY(source.checkOpen(Use::Reading));
    if (m_drive && m_drive->capacity)
        return fail(WinError::NotSupported, "a drive with a capacity counts every write");
    if (auto a = markArchive(); !a && a.code() != WinError::NotSupported)
        return a.error();
    auto n = host::copyRange(source.m_fd.get(), m_fd.get(), count);
    if (!n && n.code() != WinError::NotSupported)
        return about(n.error());
    return n;
}

Result<std::uint64_t> File::seek(std::int64_t offset, SeekOrigin origin) {
    ZRV_TRY(checkOpen(Use::Reading));
    auto pos = host::seek(m_fd.get(), offset, origin);
    return pos ? pos : about(pos.error());
}

Result<std::uint64_t> File::position() { return seek(0, SeekOrigin::Current); }

Result<host::Stat> File::look() {
    if (m_seenAt == changesInPlace() + 1)
        return m_seen;
    m_seenAt = 0;
    auto st = host::stat(m_fd.get());
    if (!st)
        return about(st.error());
    return st;
}

Result<std::uint64_t> File::size() {
    ZRV_TRY(checkOpen(Use::Reading));
    ZRV_TRY_ASSIGN(auto st, look());
    return st.size;
}

Result<void> File::truncate() {
    ZRV_TRY(checkOpen(Use::Writing));
    if (auto t = host::truncateHere(m_fd.get()); !t)
        return about(t.error());
    return markArchive();
}

Result<FileTime> File::lastWriteTime() {
    ZRV_TRY(checkOpen(Use::Reading));
    ZRV_TRY_ASSIGN(auto st, look());
    return st.lastWrite;
}

Result<void> File::setLastWriteTime(FileTime time) {
    ZRV_TRY(checkOpen(Use::Writing));
    if (auto t = host::setLastWrite(m_fd.get(), time); !t)
        return about(t.error());
    return {};
}

Result<void> File::setAttributes(std::uint32_t attributes) {
    if (!m_fd.valid())
        return fail(WinError::InvalidParameter, "the file is not open");
    if (m_drive && m_drive->readOnly)
        return fail(WinError::WriteProtect, m_path.text() + ": the drive is read-only");
    // A file just made can be written by its owner: nothing to look at for that.
    if (m_madeWritable && host::writableFor(attributes) == host::Writable::Yes) {
        ZRV_TRY(host::storeAttributes(m_fd.get(), host::Via::OpenFile, attributes));
        m_marked = false;
        return {};
    }
    auto st = host::stat(m_fd.get());
    if (!st)
        return about(st.error());
    ZRV_TRY(host::storeAttributes(m_fd.get(), host::Via::OpenFile, attributes));
    m_marked = false; // a later write marks the file for archiving again
    m_madeWritable = false;
    if (st->isFile())
        if (auto w = host::setOwnerWritable(m_fd.get(), host::Via::OpenFile, *st,
                                            host::writableFor(attributes));
            !w)
            return about(w.error());
    return {};
}

Result<void> File::markArchive() {
    if (m_marked)
        return {};
    m_marked = true;
    auto st = host::stat(m_fd.get());
    if (!st)
        return about(st.error());
    std::uint32_t now = host::attributes(m_fd.get(), host::Via::OpenFile, *st);
    return host::storeAttributes(m_fd.get(), host::Via::OpenFile, now | FileAttribute::Archive);
}

} // namespace zrv
