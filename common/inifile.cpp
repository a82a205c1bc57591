#include "common/inifile.h"

#include "common/fileaccess.h"
#include "common/paths.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <string>

namespace zrv {

namespace {

struct Texts {
    std::string header; // "[section]"
    std::string entry;  // "key=value"
    std::string path;
};

Texts prepare(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
              std::string_view file) {
    Texts t;
    t.header = "[" + std::string(section) + "]";
    t.entry = std::string(key) + "=" + std::string(value);
    t.path = file.find('\\') == std::string_view::npos ? machine.windowsDirectory() + "\\" + std::string(file)
                                                       : std::string(file);
    return t;
}

// Runs `copy` from the INI file into a work copy under its backup name, then puts
// the work copy in the file's place by renaming it over, so a failure part way
// leaves the original whole.
template <class Copy> int rewrite(Machine& machine, const std::string& path, Copy copy) {
    FileAccess in(machine);
    if (in.Open(path, OpenFlag::ReadWrite) != 0)
        return 0;
    std::string work;
    if (BackupName(machine, path, work) != 0)
        return 0;
    FileAccess out(machine);
    if (out.Create(work, OpenFlag::ReadWrite) != 0)
        return 0;
    bool ok = copy(in, out);
    in.Close();
    out.Close();
    if (ok && machine.replaceFile(work, path))
        return 1;
    (void)machine.deleteFile(work);
    return 0;
}

} // namespace

int WriteMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                            std::string_view file) {
    Texts t = prepare(machine, section, key, value, file);
    if (!machine.exists(t.path)) {
        FileAccess f(machine);
        if (f.Create(t.path, OpenFlag::ReadWrite) != 0)
            return 0;
        f.WriteLine(t.header);
        f.WriteLine(t.entry);
        return 1;
    }
    return rewrite(machine, t.path, [&](FileAccess& in, FileAccess& out) {
        bool inSection = false;
        bool present = false;
        bool sectionFound = false;
        std::string line;
        std::string last;
        bool ok = true;
        auto write = [&](std::string_view text) { ok = ok && out.WriteLine(text) >= 0; };
        while (in.ReadLine(line) == 0) {
            if (inSection && startsWithNoCase(line, t.entry))
                present = true;
            if (inSection && !present && (line.empty() || line.front() == '[')) {
                write(t.entry);
                present = true;
            }
            if (startsWithNoCase(line, t.header)) {
                inSection = true;
                sectionFound = true;
            }
            write(line);
            last = line;
        }
        if (!sectionFound) {
            if (!last.empty())
                write("");
            write(t.header);
            inSection = true;
        }
        if (inSection && !present)
            write(t.entry);
        return ok;
    });
}

int DelMultiProfileString(Machine& machine, std::string_view section, std::string_view key, std::string_view value,
                          std::string_view file) {
    Texts t = prepare(machine, section, key, value, file);
    if (!machine.exists(t.path))
        return 0;
    return rewrite(machine, t.path, [&](FileAccess& in, FileAccess& out) {
        bool inSection = false;
        bool ok = true;
        std::string line;
        while (in.ReadLine(line) == 0) {
            if (!line.empty() && line.front() == '[')
                inSection = startsWithNoCase(line, t.header);
            if (inSection && startsWithNoCase(line, t.entry))
                continue;
            ok = ok && out.WriteLine(line) >= 0;
        }
        return ok;
    });
}

void WriteProfileNumber(Machine& machine, std::string_view section, std::string_view key, long n,
                        std::string_view file) {
    (void)writePrivateProfileString(machine, section, key, std::to_string(n), file);
}

} // namespace zrv
