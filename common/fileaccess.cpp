#include "common/fileaccess.h"

#include "common/paths.h"
#include "platform/base/ansi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zrv {

int FileAccess::Open(std::string_view path, int flags, bool compressed) {
    if (m_open)
        return 1;
    // Writing implies reading; share modes are not enforced between handles.
    Access access = (flags & (OpenFlag::Write | OpenFlag::ReadWrite)) ? Access::ReadWrite : Access::Read;
    auto f = m_machine.openFile(path, compressed ? Access::Read : access, Disposition::OpenExisting);
    if (!f)
        return 1;
    if (compressed) {
        // Only a file that is compressed goes through the expander; any other
        // reads unchanged, straight from the file.
        unsigned char header[kSzddHeaderSize];
        auto n = f->readAt(header, sizeof header, 0);
        bool szdd = n && isSzddHeader(header, *n);
        if (szdd) {
            auto reader = openExpanding(std::move(*f));
            if (!reader)
                return 1;
            m_lz = std::move(*reader);
        } else {
            m_file = std::move(*f);
        }
    } else {
        m_file = std::move(*f);
    }
    m_path = std::string(path);
    m_flags = flags;
    m_open = true;
    m_compressed = compressed;
    return 0;
}

int FileAccess::CreateBeside(std::string_view target) {
    if (m_open)
        return 2;
    auto made = m_machine.files().createBeside(target);
    if (!made)
        return 1;
    m_file = std::move(made->first);
    m_beside = std::move(made->second);
    m_path = m_file.path().text();
    m_flags = OpenFlag::ReadWrite;
    m_open = true;
    m_compressed = false;
    return 0;
}

int FileAccess::PlaceBeside(bool replace) {
    if (!m_beside || m_open)
        return 1;
    auto placed = m_machine.files().placeBeside(*m_beside, replace ? FileSystem::Place::Replace : FileSystem::Place::New);
    if (!placed)
        m_machine.files().dropBeside(*m_beside);
    m_beside.reset();
    return placed ? 0 : 1;
}

void FileAccess::DropBeside() {
    if (m_beside)
        m_machine.files().dropBeside(*m_beside);
    m_beside.reset();
}

int FileAccess::SetOwnAttributes(std::uint32_t attributes) {
    if (!m_open || m_lz)
        return 1;
    return m_file.setAttributes(attributes) ? 0 : 1;
}

int FileAccess::Create(std::string_view path, int flags) {
    if (m_open)
        return 2;
    auto f = m_machine.openFile(path, Access::ReadWrite, Disposition::CreateAlways);
    if (!f)
        return 1;
    if (!(flags & (OpenFlag::Write | OpenFlag::ReadWrite))) {
        f->close();
        return Open(path, flags, false) == 0 ? 0 : 1;
    }
    // Opened for writing already: keep this handle rather than open it again.
    m_file = std::move(*f);
    m_path = std::string(path);
    m_flags = flags;
    m_open = true;
    m_compressed = false;
    return 0;
}

void FileAccess::Close() {
    m_file.close();
    m_lz.reset();
    m_open = false;
    m_compressed = false;
}

long FileAccess::Read(void* buffer, long count) {
    if (!m_open || count < 0)
        return -1;
    auto n = m_lz ? m_lz->read(buffer, static_cast<std::size_t>(count))
                  : m_file.read(buffer, static_cast<std::size_t>(count));
    return n ? static_cast<long>(*n) : -1;
}

long FileAccess::Write(const void* buffer, long count) {
    if (!m_open || m_compressed || count < 0)
        return -1;
    auto n = m_file.write(buffer, static_cast<std::size_t>(count));
    return n ? static_cast<long>(*n) : -1;
}

long FileAccess::CopyFrom(FileAccess& source, long count) {
    if (!m_open || m_compressed || !source.m_open || source.m_lz || count < 0)
        return -1;
    auto n = m_file.copyFrom(source.m_file, static_cast<std::size_t>(count));
    return n ? static_cast<long>(*n) : -1;
}

int FileAccess::readUntil(char end, std::string& out) {
    out.clear();
    if (!m_open)
        return 1;
    char buf[512];
    bool any = false;
    for (;;) {
        long n = Read(buf, sizeof buf);
        if (n <= 0)
            return any ? 0 : 1;
        any = true;
        const char* stop = static_cast<const char*>(std::memchr(buf, end, static_cast<std::size_t>(n)));
        if (!stop) {
            out.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        std::size_t used = static_cast<std::size_t>(stop - buf);
        out.append(buf, used);
        // Give back what was read past the end of this line.
        long extra = n - static_cast<long>(used) - 1;
        if (extra > 0)
            Seek(-extra, 1);
        return 0;
    }
}

int FileAccess::ReadLine(std::string& line) {
    int r = readUntil('\n', line);
    if (r == 0 && !line.empty() && line.back() == '\r')
        line.pop_back();
    return r;
}

long FileAccess::WriteLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    return Write(line.data(), static_cast<long>(line.size()));
}

int FileAccess::ReadString(std::string& text) { return readUntil('\0', text); }

long FileAccess::WriteString(std::string_view text) {
    std::string s(text);
    s += '\0';
    return Write(s.data(), static_cast<long>(s.size()));
}

long FileAccess::Size() {
    if (!m_open)
        return -1;
    auto n = m_lz ? m_lz->size() : m_file.size();
    return n ? static_cast<long>(*n) : -1;
}

long FileAccess::Seek(long offset, int origin) {
    if (!m_open)
        return -1;
    SeekOrigin o = origin == 1 ? SeekOrigin::Current : origin == 2 ? SeekOrigin::End : SeekOrigin::Begin;
    auto n = m_lz ? m_lz->seek(offset, o) : m_file.seek(offset, o);
    return n ? static_cast<long>(*n) : -1;
}

int FileAccess::Truncate() {
    if (!m_open || m_compressed)
        return 1;
    if (!m_file.seek(0, SeekOrigin::Begin))
        return 1;
    return m_file.truncate() ? 0 : 1;
}

int FileAccess::GetFileTime(FileTime& time) {
    // Through an expanding reader, the time of the compressed file it reads.
    if (!m_open)
        return 1;
    auto ft = m_lz ? m_lz->lastWriteTime() : m_file.lastWriteTime();
    if (!ft)
        return 1;
    time = *ft;
    return 0;
}

DateTime FileAccess::digitsOf(FileTime ft) {
    // The value carries the digits of the file's universal time, so that SetTime,
    // which stores digits without a zone, writes the same time back.
    std::time_t t = static_cast<std::time_t>(unixFromFileTime(ft));
    std::tm utc{};
    gmtime_r(&t, &utc);
    return DateTime::fromComponents(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                                    utc.tm_sec);
}

int FileAccess::GetTime(DateTime& time) {
    FileTime ft = 0;
    if (GetFileTime(ft) != 0)
        return 1;
    time = digitsOf(ft);
    return 0;
}

int FileAccess::SetFileTime(FileTime time) {
    if (!m_open || m_compressed)
        return 1;
    return m_file.setLastWriteTime(time) ? 0 : 1;
}

int FileAccess::SetTime(const DateTime& time) {
    if (!m_open || m_compressed)
        return 1;
    DosDateTime dos = time.AsDosDateTime();
    std::tm tm{};
    tm.tm_year = dos.date / 512 + 1980 - 1900;
    tm.tm_mon = (dos.date / 32) % 16 - 1;
    tm.tm_mday = dos.date % 32;
    tm.tm_hour = (dos.time / 2048) % 32;
    tm.tm_min = (dos.time / 32) % 64;
    tm.tm_sec = (dos.time % 32) * 2;
    std::time_t utc = timegm(&tm);
    return m_file.setLastWriteTime(fileTimeFromUnix(utc)) ? 0 : 1;
}

std::uint32_t FileAccess::GetAttributes(Machine& machine, std::string_view path) {
    auto a = machine.attributes(path);
    return a ? *a : kInvalidAttributes;
}

int FileAccess::SetAttributes(Machine& machine, std::string_view path, std::uint32_t attributes) {
    return machine.setAttributes(path, attributes) ? 0 : 1;
}

int CopyFileWithDate(Machine& machine, std::string_view source, std::string_view target, std::size_t bufferSize) {
    auto src = machine.fullPath(source);
    auto dst = machine.fullPath(target);
    if (src && dst && equalNoCase(src->text(), dst->text()))
        return kCopySameName;
    if (!src || !dst)
        return !src ? kCopySourceOpen : kCopyTargetCreate;
    // Exactly the target goes, never whatever a wildcard in its name would match.
    auto old = machine.stat(dst->text());
    if (old && !old->isDirectory())
        (void)machine.deleteFile(dst->text());

    auto in = machine.openFile(src->text(), Access::Read, Disposition::OpenExisting);
    if (!in)
        return kCopySourceOpen;
    auto time = in->lastWriteTime();
    auto length = in->size();
    if (!time || !length)
        return kCopyReadError;
    if (*length >= FreeSpace(machine, dst->text()))
        return kCopyNoSpace;
    auto out = machine.openFile(dst->text(), Access::ReadWrite, Disposition::CreateAlways);
    if (!out)
        return kCopyTargetCreate;
    std::vector<char> buffer(std::max<std::size_t>(bufferSize, 1));
    for (;;) {
        auto n = in->read(buffer.data(), buffer.size());
        if (!n)
            return kCopyReadError;
        if (*n == 0)
            break;
        auto w = out->write(buffer.data(), *n);
        if (!w || *w != *n)
            return kCopyWriteError;
    }
    (void)out->setLastWriteTime(*time);
    return kCopied;
}

} // namespace zrv
