#include "common/inifile.h"

#include "platform/base/ini.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <string>

namespace zrv {

namespace {

std::string profilePath(Machine& machine, std::string_view file) {
    return file.find('\\') == std::string_view::npos ? machine.windowsDirectory() + "\\" + std::string(file)
                                                      : std::string(file);
}

std::string entryOf(std::string_view key, std::string_view value) { return std::string(key) + "=" + std::string(value); }

// Edits the file's lines and writes them back whole, through a temporary file
// renamed over it, so a failure part way leaves the original as it was.
template <class Edit> int rewrite(Machine& machine, const std::string& path, Edit edit) {
    auto text = machine.readFile(path);
    if (!text)
        return 0;
    IniDocument doc = IniDocument::parse(*text);
    edit(doc);
    return machine.writeFileAtomic(path, doc.serialize()) ? 1 : 0;
}

} // namespace

int WriteMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                            std::string_view file) {
    const std::string path = profilePath(machine, file);
    const std::string entry = entryOf(key, value);
    if (!machine.exists(path)) {
        IniDocument doc;
        doc.addEntryLine(section, entry);
        return machine.writeFileAtomic(path, doc.serialize()) ? 1 : 0;
    }
    return rewrite(machine, path, [&](IniDocument& doc) { doc.addEntryLine(section, entry); });
}

int DelMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                          std::string_view file) {
    const std::string path = profilePath(machine, file);
    if (!machine.exists(path))
        return 0;
    const std::string entry = entryOf(key, value);
    return rewrite(machine, path, [&](IniDocument& doc) { doc.removeEntryLines(section, entry); });
}

void WriteProfileNumber(Machine& machine, std::string_view section, std::string_view key, long n,
                        std::string_view file) {
    (void)writePrivateProfileString(machine, section, key, std::to_string(n), file);
}

} // namespace zrv
