// GETPROFILESTRING( ... CHANGECONFIG(: INI files and the DOS configuration file.
#include "interpreter/actions/actions.h"

#include "common/fileaccess.h"
#include "common/inifile.h"
#include "common/paths.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <cstdlib>
#include <tuple>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

constexpr std::size_t kMaxValue = 299;
constexpr std::size_t kMaxList = 198;

int fourStrings(StatementLine& s, std::string (&out)[4]) {
    for (int k = 1; k <= 4; ++k)
        if (int err = s.expectString(k))
            return err;
    for (int k = 1; k <= 4; ++k)
        out[k - 1] = s.GetStringParam(k);
    return 0;
}

std::optional<std::string_view> orNull(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string_view>(text);
}

// A profile write that did not reach the disk is an error the script's trap
// sees: the file stays as it was, and going on as if written would lose the
// entry without a word.
int written(const Result<void>& r) { return r ? 0 : writeError(r.error()); }

// The setting's number after its '=' in a line as read, or -1.
long settingValue(const std::string& line, std::string_view word) {
    std::string upper = upperAnsi(line);
    std::size_t at = upper.find(word);
    if (at == std::string::npos)
        return -1;
    std::size_t eq = line.find('=', at);
    return eq == std::string::npos ? -1 : std::atol(line.c_str() + eq + 1);
}

int handleAppendProfileString(Engine& e, StatementLine& s) {
    std::string p[4];
    if (int err = fourStrings(s, p))
        return err;
    const std::string &section = p[0], &key = p[1], &value = p[2], &file = p[3];
    Machine& m = e.machine();
    if (key.empty() || value.empty())
        return written(writePrivateProfileString(m, section, orNull(key), std::nullopt, file));
    std::string current = getPrivateProfileString(m, section, key, "", file).substr(0, kMaxList);
    std::string list = current.empty() ? std::string() : (current.back() == ';' ? current : current + ";");
    std::string probe = ";" + value + ";";
    if (upperAnsi(";" + list).find(upperAnsi(probe)) != std::string::npos)
        return 0;
    return written(writePrivateProfileString(m, section, key, list + value + ";", file));
}

int handleWriteMultiProfileString(Engine& e, StatementLine& s) {
    std::string p[4];
    if (int err = fourStrings(s, p))
        return err;
    return e.SetVariableNumber("ERROR", WriteMultiProfileString(e.machine(), p[0], p[1], p[2], p[3]));
}

int handleDelMultiProfileString(Engine& e, StatementLine& s) {
    std::string p[4];
    if (int err = fourStrings(s, p))
        return err;
    return e.SetVariableNumber("ERROR", DelMultiProfileString(e.machine(), p[0], p[1], p[2], p[3]));
}

int handleChangeConfig(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectNumeric(2))
        return err;
    if (int err = s.expectNumeric(3))
        return err;
    for (int k = 4; k <= 5; ++k) {
        if (int err = s.expectResultVariable(k))
            return err;
    }
    if (int err = s.expectNumberToken(6))
        return err;
    std::string file = s.GetStringParam(1);
    s.paramNumber = 2;
    auto filesParam = s.GetNumericParam(2);
    if (!filesParam)
        return filesParam.error();
    std::int32_t files = *filesParam;
    s.paramNumber = 3;
    auto buffersParam = s.GetNumericParam(3);
    if (!buffersParam)
        return buffersParam.error();
    std::int32_t buffers = *buffersParam;
    std::string backupVar = s.name(4), countVar = s.name(5);
    std::int32_t create = s.GetNumericParam(6).value();

    Machine& m = e.machine();
    e.ui().beginWaitCursor();
    std::string backup;
    int changes = 0;
    int status = 1;
    if (FileExists(m, file)) {
        std::uint32_t attributes = FileAccess::GetAttributes(m, file);
        if (BackupName(m, file, backup) != 0 || CopyFileWithDate(m, file, backup, 65536) != kCopied)
            backup.clear();
        (void)FileAccess::SetAttributes(m, file, FileAttribute::Normal);
        auto text = m.readFile(backup.empty() ? file : backup);
        std::string out;
        bool seenFiles = false, seenBuffers = false;
        if (text) {
            std::size_t start = 0;
            while (start < text->size()) {
                std::size_t end = text->find("\r\n", start);
                if (end == std::string::npos)
                    end = text->size();
                std::string line = text->substr(start, end - start);
                start = end + 2;
                std::string head = upperAnsi(line);
                while (!head.empty() && head.front() == ' ')
                    head.erase(0, 1);
                for (auto [word, wanted, seen] : {std::tuple{"FILES", files, &seenFiles},
                                                  std::tuple{"BUFFERS", buffers, &seenBuffers}}) {
                    if (wanted <= 0 || head.rfind(std::string(word) + "=", 0) != 0)
                        continue;
                    *seen = true;
                    long now = settingValue(line, word);
                    if (now >= 0 && now < wanted) {
                        line.erase(line.find('=', upperAnsi(line).find(word)));
                        line += "=" + std::to_string(wanted);
                        ++changes;
                    }
                }
                out += line + "\r\n";
            }
        }
        if (!seenFiles && files > 0) {
            out += "FILES=" + std::to_string(files) + "\r\n";
            ++changes;
        }
        if (!seenBuffers && buffers > 0) {
            out += "BUFFERS=" + std::to_string(buffers) + "\r\n";
            ++changes;
        }
        if (changes > 0)
            (void)m.writeFileAtomic(file, out);
        (void)FileAccess::SetAttributes(m, file, attributes);
        if (changes == 0 && !backup.empty()) {
            (void)m.deleteFile(backup);
            backup.clear();
        }
    } else if (create != 0) {
        std::string out;
        if (files > 0) {
            out += "FILES=" + std::to_string(files) + "\r\n";
            ++changes;
        }
        if (buffers > 0) {
            out += "BUFFERS=" + std::to_string(buffers) + "\r\n";
            ++changes;
        }
        (void)m.writeFileAtomic(file, out);
        status = 0;
    }
    if (int r = e.SetVariable(backupVar, backup))
        return r;
    if (int r = e.SetVariableNumber(countVar, changes))
        return r;
    e.ui().endWaitCursor();
    return e.SetVariableNumber("ERROR", status);
}

} // namespace

void registerProfileCommands(Engine& engine) {
    auto get = [](Engine& e, StatementLine& s) {
        for (int k = 1; k <= 4; ++k)
            if (int err = s.expectString(k))
                return err;
        if (int err = s.expectVariable(5))
            return err;
        std::string section = s.GetStringParam(1), key = s.GetStringParam(2), def = s.GetStringParam(3),
                    file = s.GetStringParam(4);
        std::string result = s.name(5);
        std::string value = getPrivateProfileString(e.machine(), section, key, def, file).substr(0, kMaxValue);
        return e.SetVariable(result, value.empty() ? def : value);
    };
    engine.registerHandler(Keyword::GetProfileString, get);
    engine.registerHandler(Keyword::GetPrivateProfileString, get);

    auto write = [](Engine& e, StatementLine& s) {
        std::string p[4];
        if (int err = fourStrings(s, p))
            return err;
        // An empty key deletes the section, an empty value the key.
        return written(
            writePrivateProfileString(e.machine(), p[0], orNull(p[1]), p[1].empty() ? std::nullopt : orNull(p[2]), p[3]));
    };
    engine.registerHandler(Keyword::WriteProfileString, write);
    engine.registerHandler(Keyword::WritePrivateProfileString, write);
    engine.registerHandler(Keyword::AppendProfileString, handleAppendProfileString);
    engine.registerHandler(Keyword::WriteMultiProfileString, handleWriteMultiProfileString);
    engine.registerHandler(Keyword::DelMultiProfileString, handleDelMultiProfileString);
    engine.registerHandler(Keyword::ChangeConfig, handleChangeConfig);
}

} // namespace zrv::actions
