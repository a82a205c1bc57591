// De-install set-up and clean-up, the developer's de-install code, the
// Program Manager group with the file icons, and the de-install icon.
#include "authoring/generator/sections.h"

#include "common/text.h"

namespace zrv::generator {

using authoring::DialogText;

namespace {

// Message texts of the de-install script keep their line breaks through it.
std::string deinstallText(std::string s) {
    ReplaceAll(s, "|", "^^013");
    return s;
}

} // namespace

void Sections::deinstallSetup() {
    m_w.write("// Setup the de-install procedure");
    m_w.write("OpenDeInstall(\"%DeInstall%\")");
    auto startupSet = [&](const char* variable, const std::string& value, const char* key) {
        m_w.write(std::string("AddDeInstall(\"$STARTUP$\",\"Set ^037") + variable + "^037=^034" + value + "^034\")",
                  key);
    };
    startupSet("IniFile", m_p.iniFile, "LICENSEINI");
    startupSet("Caption", text(DialogText::Caption), "CAPTION");
    startupSet("Application", m_p.appName, "APPNAME");
    startupSet("Company", m_p.company, "COMPANY");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"Set ^037InstallPath^037=^034%InstallPath%^034\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"Set ^037InstallDrive^037=^034%InstallDrive%^034\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"SetSharedRegistry(^034^037Company^037^034, ^034^037Application^037^034, "
              "^034^037IniFile^037^034)\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"MessageBox(^034" + deinstallText(text(DialogText::ZrvUni4)) +
                  "^034, ^034%Caption%^034, MB_YESNO, MB_ICONQUESTION)\")",
              "ZRVUNI4");
    // Doubled so that %ERROR% reaches the de-install script rather than its value now.
    m_w.write("AddDeInstall(\"$STARTUP$\",\"IF %%ERROR%% == IDYES GOTO :DODELETE\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"Set ^037Message1^037 = ^034" + deinstallText(text(DialogText::ZrvUni5)) +
                  "^034\")",
              "ZRVUNI5");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"Set ^037Message2^037 = ^034^034\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"DialogBox(^34OKBOX^34)\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\"GOTO :END\")");
    m_w.write("AddDeInstall(\"$STARTUP$\",\":DODELETE\")");
    m_w.blank();
    deinstallCode("$PREDEINSTALL$", 7);
    deinstallCode("$USERSCRIPT$", 8);
}

void Sections::deinstallCode(const char* section, int slot) {
    const std::string& code = m_p.userCode[slot];
    if (code.empty())
        return;
    const std::string key = "USERCODE" + std::to_string(slot + 1);
    std::size_t start = 0;
    while (true) {
        const auto cr = code.find('\r', start);
        std::string line = code.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
        ReplaceAll(line, "#", "^094035");
        ReplaceAll(line, "|", "^124");
        ReplaceAll(line, "%", "^037");
        ReplaceAll(line, "\"", "^034");
        m_w.write(std::string("AddDeInstall(\"") + section + "\",\"" + line + "\")", key);
        if (cr == std::string::npos)
            break;
        start = cr + 1;
        if (start < code.size() && code[start] == '\n')
            ++start;
        if (start >= code.size())
            break; // a CR at the very end ends the last line
    }
    m_w.blank(2);
}

void Sections::deinstallCleanup() {
    m_w.write("// Cleanup de-install script");
    for (std::size_t i = m_p.directories.size(); i-- > 1;)
        m_w.write("AddDeInstall(\"$DIRECTORIES$\",\"RmDir(^034" + m_p.directories[i] + "^034)\")",
                  "DIRECTORY" + std::to_string(i + 1));
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"SET ^037Len^037 = Len(^034^037InstallPath^037^034) - 1\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"SET ^037InstTemp^037 = Left(^034^037InstallPath^037^034, ^037Len^037)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"RmDir(^034^037InstTemp^037^034)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"Delete(^034%WindowsDirectory%%IniFile%^034)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"IF ^34^35^35INSTVER^35^35^34==^34ZRVX32^34 RegDeleteSetting(2, "
              "^34SOFTWARE\\%Company%\\%Application%^34, ^34^34)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"SET ^037Message1^037 = ^034" + deinstallText(text(DialogText::ZrvUni6)) +
                  "^034\")",
              "ZRVUNI6");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"SET ^037Message2^037 = ^034" + deinstallText(text(DialogText::ZrvUni7)) +
                  "^034\")",
              "ZRVUNI7");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"DialogBox(^34OKBOX^34)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\"WriteProfileString(^34%Application%^34,^34Continue^34,^0341^34,"
              "^34ZRVUNI.INI^34)\")");
    m_w.write("AddDeInstall(\"$CLEANUP$\",\":END\")");
    m_w.blank(2);
}

void Sections::programManagerGroup() {
    const bool ask = m_p.group[3] != 0;
    const bool newGroup = m_p.group[1] != 0;
    const std::string file = "%WindowsDirectory%" + m_p.groupCaption + ".GRP";
    m_w.write("// Now setup a new program manager group and its icons");
    if (ask) {
        m_w.write("MessageBox(" + quoted(text(DialogText::MakeGrp)) + ", \"%Caption%\", MB_YESNO, MB_ICONQUESTION)",
                  "MAKEGRP");
        m_w.write("Set %PmGrp% = %Error%");
        m_w.write("IF %ERROR% == IDNO GOTO :NOPMGROUP");
        m_w.blank();
    }
    if (!ask)
        m_w.write("Set %PmGrp% = IDYES");
    if (newGroup) {
        m_w.write("MakeGroup(" + quoted(m_p.groupCaption) + ", \"\")", "GRPCAPFILE");
        fileIcons();
    } else {
        if (m_p.group[4]) {
            m_w.write("// Unprotect PM group");
            m_w.write("SetFileAttr(" + quoted(file) + ", 0, 0, 0, 0)", "GRPCAPFILE");
            m_w.blank();
        }
        m_w.write("MakeGroupFromFile(" + quoted(file) + ")", "GRPCAPFILE");
        fileIcons();
        if (m_p.group[5]) {
            m_w.blank();
            m_w.write("// Protect PM group");
            m_w.write("SetFileAttr(" + quoted(file) + ", 1, 0, 0, 0)", "GRPCAPFILE");
        }
    }
    if (m_p.deinstall) {
        if (newGroup) {
            m_w.write("AddDeInstall(\"$PMGROUP$\",\"DeleteGroup(^034" + m_p.groupCaption + "^034)\")", "GRPCAPFILE");
        } else {
            // Quotes inside the literal are written ^034, as in every other de-install line.
            if (m_p.group[5])
                m_w.write("AddDeInstall(\"$PMGROUP$\", \"SetFileAttr(^034" + file + "^034, 0, 0, 0, 0)\")",
                          "GRPCAPFILE");
            m_w.write("AddDeInstall(\"$PMGROUP$\",\"Delete(^034" + file + "^034)\")", "GRPCAPFILE");
            m_w.write("AddDeInstall(\"$PMGROUP$\",\"Reload()\")");
        }
    }
    if (ask)
        m_w.write(":NOPMGROUP");
    m_w.blank(2);
}

void Sections::fileIcons() {
    for (std::size_t i = 0; i < m_p.files.size(); ++i) {
        const auto& e = m_p.files[i];
        if (!e.copied() || !e.makeIcon)
            continue;
        std::string line = "IF %Option% AND " + std::to_string(e.options) + " != 0 MakeIcon(" + quoted(e.iconText) +
                           ", \"" + e.target + fileNameOf(e.source) + "\", " + quoted(e.iconParams);
        if (!e.iconFile.empty() || e.iconIndex != 0 || !e.workDir.empty())
            line += ", " + quoted(e.iconFile);
        if (e.iconIndex != 0 || !e.workDir.empty())
            line += ", " + std::to_string(e.iconIndex);
        if (!e.workDir.empty())
            line += ", " + quoted(e.workDir);
        line += ")";
        m_w.write(line, "ICONTEXT" + std::to_string(i + 1));
    }
}

void Sections::deinstallIcon() {
    m_w.write("// Create the de-install icon");
    m_w.write("IF %PmGrp% == IDYES MakeIcon(" + quoted(text(DialogText::ZrvUni3)) +
                  ", \"%WindowsDirectory%VQRSOFT\\ZRVUNI.EXE\", \"%Application%\")",
              "ZRVUNI3");
    m_w.blank(2);
}

} // namespace zrv::generator
