#include "platform/profile/profile.h"

#include "platform/base/ini.h"
#include "platform/machine/machine.h"

#include <charconv>

namespace zrv {

std::string profileFilePath(const Machine& machine, std::string_view file) {
    if (file.find_first_of("\\/:") != std::string_view::npos)
        return std::string(file);
    return machine.windowsDirectory() + "\\" + std::string(file);
}

namespace {

// Profile files are small; one that is not stays unread rather than exhaust memory.
constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;

std::optional<IniDocument> load(Machine& machine, std::string_view file) {
    auto stat = machine.stat(profileFilePath(machine, file));
    if (!stat || stat->isDirectory() || stat->size > kMaxProfileBytes)
        return std::nullopt;
    auto text = machine.readFile(profileFilePath(machine, file));
    if (!text)
        return std::nullopt;
    return IniDocument::parse(*text);
}

} // namespace

std::string getPrivateProfileString(Machine& machine, std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::string_view file) {
    // A default is returned without its trailing blanks, as Windows does.
    while (!defaultValue.empty() && defaultValue.back() == ' ')
        defaultValue.remove_suffix(1);
    auto doc = load(machine, file);
    if (!doc)
        return std::string(defaultValue);
    return doc->get(section, key).value_or(std::string(defaultValue));
}

int getPrivateProfileInt(Machine& machine, std::string_view section, std::string_view key, int defaultValue,
                         std::string_view file) {
    auto doc = load(machine, file);
    if (!doc)
        return defaultValue;
    auto v = doc->get(section, key);
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
    IniDocument doc;
    auto stat = machine.stat(path);
    if (stat) {
        if (stat->isDirectory())
            return fail(WinError::AccessDenied, path + " is a directory");
        if (stat->size > kMaxProfileBytes)
            return fail(WinError::AccessDenied, path + " is too large for a profile file");
        auto text = machine.readFile(path);
        if (!text)
            return text.error();
        doc = IniDocument::parse(*text);
    }
    bool changed;
    if (!key)
        changed = doc.removeSection(section);
    else if (!value)
        changed = doc.removeKey(section, *key);
    else
        changed = doc.set(section, *key, *value);
    if (!changed)
        return {};
    return machine.writeFileAtomic(path, doc.serialize());
}

std::vector<std::string> getPrivateProfileSectionNames(Machine& machine, std::string_view file) {
    auto doc = load(machine, file);
    return doc ? doc->sectionNames() : std::vector<std::string>{};
}

std::vector<std::string> getPrivateProfileKeys(Machine& machine, std::string_view section, std::string_view file) {
    auto doc = load(machine, file);
    return doc ? doc->keys(section) : std::vector<std::string>{};
}

} // namespace zrv
