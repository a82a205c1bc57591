#include "platform/files/drive.h"

#include "platform/base/ansi.h"

#include <charconv>
#include <climits>

namespace zrv {

namespace {

std::optional<std::uint64_t> parseSize(std::string_view text) {
    std::uint64_t n = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || p == text.data())
        return std::nullopt;
    std::string_view unit(p, static_cast<std::size_t>(text.data() + text.size() - p));
    std::uint64_t mult = 1;
    if (unit == "K" || unit == "k")
        mult = 1024;
    else if (unit == "M" || unit == "m")
        mult = 1024 * 1024;
    else if (unit == "G" || unit == "g")
        mult = 1024ULL * 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    if (n > UINT64_MAX / mult)
        return std::nullopt;
    return n * mult;
}

} // namespace

Result<DriveMapping> DriveMapping::parse(std::string_view spec) {
    auto bad = [&](const std::string& why) {
        return fail(WinError::InvalidParameter, "bad drive mapping \"" + std::string(spec) + "\": " + why);
    };
    if (spec.size() < 3 || spec[1] != '=')
        return bad("expected X=HOSTDIR[,ro][,label=L][,size=N]");
    char letter = toUpperAnsi(spec[0]);
    if (letter < 'A' || letter > 'Z')
        return bad("the drive must be a letter A-Z");
    DriveMapping m;
    m.letter = letter;
    std::string_view rest = spec.substr(2);
    std::size_t comma = rest.find(',');
    m.hostRoot = std::string(rest.substr(0, comma));
    if (m.hostRoot.empty())
        return bad("no host folder");
    while (comma != std::string_view::npos) {
        rest.remove_prefix(comma + 1);
        comma = rest.find(',');
        std::string_view opt = rest.substr(0, comma);
        if (opt == "ro") {
            m.readOnly = true;
        } else if (opt == "rw") {
            m.readOnly = false;
        } else if (opt.substr(0, 6) == "label=") {
            m.label = utf8ToAnsiLossy(opt.substr(6));
            if (m.label.size() > 11)
                return bad("a volume label has at most 11 characters");
        } else if (opt.substr(0, 5) == "size=") {
            auto n = parseSize(opt.substr(5));
            if (!n)
                return bad("size must be a number of bytes, optionally with K, M or G");
            m.capacity = *n;
        } else {
            return bad("unknown option \"" + std::string(opt) + "\"");
        }
    }
    return m;
}

std::string DriveMapping::format() const {
    std::string out = hostRoot;
    if (readOnly)
        out += ",ro";
    if (!label.empty())
        out += ",label=" + ansiToUtf8(label);
    if (capacity)
        out += ",size=" + std::to_string(*capacity);
    return out;
}

Result<Drive> Drive::open(const DriveMapping& mapping, const std::filesystem::path& base) {
    Drive drive;
    drive.letter = toUpperAnsi(mapping.letter);
    if (drive.letter < 'A' || drive.letter > 'Z')
        return fail(WinError::InvalidDrive, "a drive must be a letter A-Z");
    std::filesystem::path host = mapping.hostRoot;
    drive.hostRoot = host.is_absolute() ? host : base / host;
    auto fd = host::openFolder(drive.hostRoot.string());
    if (!fd)
        return fail(WinError::PathNotFound,
                    "drive " + std::string(1, drive.letter) + ": maps to " + fd.error().message);
    drive.root = std::move(*fd);
    drive.readOnly = mapping.readOnly;
    drive.label = mapping.label;
    drive.capacity = mapping.capacity;
    return drive;
}

DriveMapping Drive::mapping() const {
    DriveMapping m;
    m.letter = letter;
    m.hostRoot = hostRoot.string();
    m.readOnly = readOnly;
    m.label = label;
    m.capacity = capacity;
    return m;
}

std::uint64_t Drive::usedBytes() const { return host::usedBytes(root.get()); }

Result<std::uint64_t> Drive::freeBytes() const {
    if (capacity) {
        std::uint64_t used = usedBytes();
        return used < *capacity ? *capacity - used : 0;
    }
    auto free = host::freeBytes(root.get());
    if (!free)
        return fail(free.code(), std::string("drive ") + letter + ": " + free.error().message);
    return free;
}

} // namespace zrv
