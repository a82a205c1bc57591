// The file section: protection, the copy block with its guards, each file's
// de-install lines, and the registration and run sections.
#include "authoring/generator/sections.h"

#include "common/text.h"

namespace zrv::generator {

using authoring::DialogText;
using authoring::FileEntry;

namespace {

std::string key(const char* word, std::size_t index) { return word + std::to_string(index + 1); }

std::string compressedName(const FileEntry& e) { return withExtension(fileNameOf(e.source), e.extension); }

bool guarded(const FileEntry& e) { return e.checkInUse || e.overwrite != 0; }

} // namespace

void Sections::protection(int attribute) {
    bool first = true;
    for (std::size_t i = 0; i < m_p.files.size(); ++i) {
        const FileEntry& e = m_p.files[i];
        if (!e.copied() || !(attribute ? e.protect : e.unprotect))
            continue;
        if (first)
            m_w.write(attribute ? "// Protect files after copying" : "// Unprotect files before copying");
        first = false;
        m_w.write("IF %Option% AND " + std::to_string(e.options) + " != 0 SetFileAttr(\"" + e.target +
                      fileNameOf(e.source) + "\", " + std::to_string(attribute) + ", 0, 0, 0)",
                  key("TARGET", i));
    }
    if (!first)
        m_w.blank(2);
}

void Sections::copyLines(const FileEntry& e, const DiskLayout::Span& span, const std::string& target,
                         const std::string& k) {
    const bool split = span.first != span.last;
    const std::string name = fileNameOf(e.source);
    for (;;) {
        std::string line;
        if (e.compress)
            line = "\"" + compressedName(e) + "\", \"" + target + (split ? "" : name) + "\"";
        else
            line = "\"" + name + "\", \"" + target + "\"";
        if (!e.comment.empty())
            line += ", \"" + e.comment + "\"";
        line += split && e.compress ? ", FALSE" : ", TRUE";
        if (split && m_disk != span.first)
            line += ", TRUE";
        m_w.write(line, k);
        if (m_disk >= span.last)
            break;
        ++m_disk;
        diskCheck();
    }
    if (split && e.compress)
        m_w.write("\"" + target + compressedName(e) + "\", \"" + target + name + "\", \"" +
                      uncompressingText(m_p.language) + "\", TRUE, FALSE, TRUE",
                  k);
}

void Sections::gaugeText(const FileEntry& e, bool split, const std::string& k) {
    const std::string name = fileNameOf(e.source);
    m_w.write("SetGaugeText(\"" + e.comment + "\", \"%CurrentDirectory%" + (e.compress ? compressedName(e) : name) +
                  "\", \"" + e.target + (split && e.compress ? compressedName(e) : name) + "\")",
              k);
}

void Sections::inUseGuard(const FileEntry& e, const std::string& k) {
    const std::string name = fileNameOf(e.source);
    const std::string label = std::to_string(m_label);
    std::string prompt = text(DialogText::InUse1);
    ReplaceAll(prompt, "$", name);
    m_w.write("GetModuleInUse(\"" + name + "\")", k);
    m_w.write("IF %ERROR% == FALSE GOTO :COPY" + label);
    m_w.write("MessageBox(\"" + prompt + "\",\"%Caption%\",260,MB_ICONQUESTION)", "INUSE1");
    m_w.write("IF %ERROR% == IDNO GOTO :OVER" + label);
    m_w.write(":COPY" + label);
}

void Sections::overwriteGuard(const FileEntry& e, bool split, const std::string& k) {
    const std::string name = fileNameOf(e.source);
    const std::string label = std::to_string(m_label);
    if (e.overwrite == 4) {
        m_w.write("CheckExists(\"" + e.target + name + "\")", k);
        m_w.write("IF %ERROR% == TRUE GOTO :OVER" + label);
        return;
    }
    const std::string from = split ? "%WindowsDirectory%TEMP\\" + name
                                   : "%CurrentDirectory%" + (e.compress ? compressedName(e) : name);
    const int mode = e.overwrite == 2 ? 1 : e.overwrite == 3 ? 2 : 0;
    m_w.write("ConfirmOverwrite(\"" + e.target + name + "\", \"" + from + "\", \"" + e.overText + "\", " +
                  std::to_string(mode) + ")",
              k);
    m_w.write("IF %ERROR% == IDNO GOTO :OVER" + label);
}

void Sections::fileDeinstall(const FileEntry& e, const std::string& k) {
    const std::string path = e.target + fileNameOf(e.source);
    const std::string name = fileNameOf(e.source);
    if (e.protect)
        m_w.write("AddDeinstall(\"$UNPROTECT$\",\"SetFileAttr(^034" + path + "^034, 0, 0, 0, 0)\")", k);
    if (!e.shared) {
        m_w.write("AddDeInstall(\"$FILES$\",\"Delete(^034" + path + "^034)\")", k);
        return;
    }
    m_w.write("Register(\"" + path + "\", \"%IniFile%\", \"%Company%\\%Application%\")", k);
    m_w.write("AddDeinstall(\"$FILES$\",\"UnRegister(^034" + path +
                  "^034, ^034%IniFile%^034, ^034%Company%\\%Application%^034)\")",
              k);
    if (e.action != 1 && e.action != 2)
        return;
    const std::string ending = ", ^034%Caption%^034, MB_OK, MB_ICONEXCLAMATION)\")";
    m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"GetRegistryCount(^034" + path + "^034)\")", k);
    m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"IF ^037ERROR^037 > 1 Skip(2)\")");
    if (e.action == 1) {
        m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"WinExec(^034" + path + " /UNREGSERVER^034, 5, 1)\")", k);
        m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"IF ^037ERROR^037 < 32 MessageBox(^034Error: WinExec() failed "
                  "to unregister the OLE Control '" + name + "' - error code (^037ERROR^037)^034" + ending,
                  k);
    } else {
        m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"DllSelfUnRegister(^034" + path + "^034)\")", k);
        m_w.write("AddDeInstall(\"$OLEUNREGISTER$\", \"IF ^037ERROR^037 != 0 MessageBox(^034Error: "
                  "DllSelfRegister() failed to unregister the OLE Control '" + name + "'^034" + ending,
                  k);
    }
}

void Sections::fileCopying() {
    m_w.write("// Do the file copying");
    const bool several = severalOptions();
    // Gauge blocks per option bit.
    std::array<std::uint64_t, 32> blocks{};
    for (std::size_t i = 0; i < m_p.files.size(); ++i) {
        const FileEntry& e = m_p.files[i];
        if (!e.copied())
            continue;
        const auto& span = m_in.layout.files[i];
        const bool split = span.first != span.last;
        const std::uint64_t count = static_cast<std::uint64_t>(span.last - span.first + 1) + (split && guarded(e)) +
                                    (split && e.compress);
        for (int k = 0; k < 32; ++k)
            if (e.options >> k & 1)
                blocks[k] += count;
    }
    bool any = false, cueCards = false, previousSplit = false;
    for (std::size_t i = 0; i < m_p.files.size(); ++i) {
        const FileEntry& e = m_p.files[i];
        if (!e.copied())
            continue;
        const std::string k = key("FILE", i);
        const auto& span = m_in.layout.files[i];
        const bool split = span.first != span.last;
        const bool guard = guarded(e);
        const int pieces = span.last - span.first + 1;
        if (!any) {
            if (several) {
                m_w.write("SET %TotalBlocks%=0");
                for (std::size_t o = 0; o < m_p.options.size() && o < 32; ++o)
                    m_w.write("IF %Option% AND " + std::to_string(1ULL << o) +
                              " != 0 SET %TotalBlocks% = %TotalBlocks% + " +
                              std::to_string(std::min(blocks[o], kMaxScriptNumber)));
            } else {
                m_w.write("SET %TotalBlocks%=" + std::to_string(std::min(blocks[0], kMaxScriptNumber)));
            }
            m_w.write("CopyFile(%TotalBlocks%)");
            any = true;
        }
        if (guard)
            m_w.write("SET %Skip%=0");
        if (several || guard)
            m_w.write("Release()");
        if (several)
            m_w.write("IF %Option% AND " + std::to_string(e.options) + "==0 GOTO :OVER" + std::to_string(m_label));
        if (several || span.first != m_disk || previousSplit) {
            m_disk = span.first;
            diskCheck();
            previousSplit = false;
        }
        if (e.shared && m_p.deinstall)
            fileDeinstall(e, k);
        int skip = pieces;
        if (!split || !guard) {
            if (split && e.compress)
                ++skip;
            if (guard) {
                m_w.write("SET %Skip%=" + std::to_string(skip));
                gaugeText(e, split, k);
                if (e.checkInUse)
                    inUseGuard(e, k);
                if (e.overwrite)
                    overwriteGuard(e, split, k);
            }
        } else {
            skip = pieces + 1 + (e.compress ? 1 : 0);
            m_w.write("SET %Skip%=" + std::to_string(skip));
            gaugeText(e, split, k);
            if (e.checkInUse)
                inUseGuard(e, k);
            copyLines(e, span, "%WindowsDirectory%TEMP\\", k);
            if (e.overwrite)
                overwriteGuard(e, split, k);
        }
        if (m_p.deinstall && !e.shared)
            fileDeinstall(e, k);
        if (!e.cueCard.empty() && e.cueCard != "(Current)") {
            m_w.write("ShowCueCard(\"" + (e.cueCard == "(None)" ? std::string() : e.cueCard) + "\")",
                      key("CUECARD", i));
            cueCards = true;
        }
        if (!several && split)
            previousSplit = true;
        if (split && guard)
            m_w.write("\"%WindowsDirectory%TEMP\\" + fileNameOf(e.source) + "\", \"" + e.target + "\", \"" +
                          e.comment + "\", FALSE, FALSE, TRUE",
                      k);
        else
            copyLines(e, span, e.target, k);
        if (guard)
            m_w.write("SET %Skip%=0");
        if (!several && !guard)
            continue;
        m_w.write(":OVER" + std::to_string(m_label));
        ++m_label;
        if (split) {
            if (!guard)
                continue;
            m_w.write("Delete(\"%WindowsDirectory%TEMP\\" + fileNameOf(e.source) + "\")", k);
        }
        if (guard)
            m_w.write("UpdateGauge(%Skip%)");
    }
    if (any) {
        m_w.write("EndCopyFile()");
        if (cueCards)
            m_w.write("ShowCueCard(\"\")");
        m_w.blank(4);
    }
}

void Sections::registration() {
    struct Section {
        int lo, hi;
        const char* comment;
        DialogText wait;
        bool run;
    };
    const Section sections[] = {
        {1, 2, "// Register OLE controls", DialogText::WaitRegOle, false},
        {3, 4, "// Register .REG files", DialogText::WaitMergeReg, false},
        {5, 7, "// Run files", DialogText::WaitSelfExtract, true},
    };
    auto failure = [&](DialogText t, const std::string& name) {
        std::string s = text(t);
        ReplaceAll(s, "$", name);
        return s;
    };
    for (const Section& s : sections) {
        bool needed = false;
        for (const auto& e : m_p.files)
            needed |= e.copied() && e.action >= s.lo && e.action <= s.hi;
        if (!needed)
            continue;
        const std::string wait = text(s.wait);
        const std::string waitKey(authoring::kDialogTexts[static_cast<int>(s.wait)].key);
        m_w.write(s.comment);
        if (!wait.empty())
            m_w.write("ShowWaitMessage(" + quoted(wait) + ")", waitKey);
        if (s.run)
            m_w.write("Set %Temp% = %CurrentDirectory%");
        for (std::size_t i = 0; i < m_p.files.size(); ++i) {
            const FileEntry& e = m_p.files[i];
            if (!e.copied() || e.action < s.lo || e.action > s.hi)
                continue;
            const std::string k = key("FILE", i);
            const std::string name = fileNameOf(e.source);
            const std::string path = e.target + name;
            const std::string mask = std::to_string(e.options);
            auto execFailure = [&](DialogText t) {
                m_w.write("IF %ERROR% " + std::string(t == DialogText::DllSelfRegFail ? "!= 0" : "< 32") +
                              " MessageBox(" + quoted(failure(t, name)) + ", \"%Caption%\", MB_OK, MB_ICONEXCLAMATION)",
                          authoring::kDialogTexts[static_cast<int>(t)].key);
            };
            switch (e.action) {
            case 1:
                m_w.write("IF %Option% AND " + mask + " == 0 Skip(2)");
                m_w.write("WinExec(\"" + path + " /REGSERVER\", 5, 1)", k);
                execFailure(DialogText::WinExecFail);
                break;
            case 2:
                m_w.write("IF %Option% AND " + mask + " == 0 Skip(2)");
                m_w.write("DllSelfRegister(\"" + path + "\")", k);
                execFailure(DialogText::DllSelfRegFail);
                break;
            case 3:
            case 4: {
                const std::string sw = e.action == 4 ? " /s" : "";
                m_w.write("IF %Option% AND " + mask + " == 0 Skip(3)");
                m_w.write("IF \"#INSTVER#\" == \"ZRVX32\" WinExec(\"REGEDT32" + sw + " " + path + "\", 5, 1)", k);
                m_w.write("IF \"#INSTVER#\" == \"ZRVX16\" WinExec(\"REGEDIT" + sw + " " + path + "\", 5, 1)", k);
                execFailure(DialogText::WinExecRegFail);
                break;
            }
            case 5:
            case 6:
                m_w.write("IF %Option% AND " + mask + " == 0 Skip(3)");
                m_w.write("ChDir(\"" + e.target + "\")", k);
                m_w.write("WinExec(\"" + name + " " + e.actionParams + "\", " + (e.action == 6 ? "0" : "5") + ", 1)",
                          k);
                execFailure(DialogText::WinExecFail);
                break;
            default:
                m_w.write("IF %Option% AND " + mask + " == 0 Skip(8)");
                m_w.write("ChDir(\"" + e.target + "\")", k);
                m_w.write("Open(\"C:\\ZRVCMD.BAT\", 10, WRITE)");
                m_w.write("WriteLine(10, \"@echo off\")");
                m_w.write("WriteLine(10, \"" + name + " " + e.actionParams + "\")", k);
                m_w.write("Close(10)");
                m_w.write("WinExec(\"%WindowsDirectory%TEMP\\ZRVCMD.PIF\", 0, 1)");
                execFailure(DialogText::WinExecFail);
                m_w.write("Delete(\"C:\\ZRVCMD.BAT\")");
                break;
            }
        }
        if (s.run)
            m_w.write("ChDir(\"%Temp%\")");
        if (!wait.empty())
            m_w.write("HideWaitMessage()");
        m_w.blank(2);
    }
}

} // namespace zrv::generator
