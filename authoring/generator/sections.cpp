#include "authoring/generator/sections.h"

#include "authoring/project/objectfile.h"
#include "common/captions.h"
#include "common/text.h"

#include <cstdio>
#include <ctime>

namespace zrv::generator {

using authoring::DialogText;

std::string fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string withExtension(std::string_view name, std::string_view extension) {
    const auto dot = name.rfind('.');
    return std::string(name.substr(0, dot)) + "." + std::string(extension);
}

Sections::Sections(const Input& in) : m_in(in), m_p(*in.project), m_w(in.options, in.project->encrypt != 0) {}

void Sections::all() {
    header();
    bitmapCopying();
    objects();
    closeSetupProgram();
    backdropChoice();
    upgradeDetection();
    userCode(0, "// User defined code - initialisation");
    if (m_p.welcome)
        welcomeDialog();
    if (severalOptions())
        optionsDialog();
    userCode(1, "// User defined code - pre-AskPath dialog");
    installationPath();
    userCode(2, "// User defined code - pre file copying");
    if (m_p.deinstall) {
        deinstallSetup();
        deinstallCleanup();
    }
    diskSpaceCheck();
    protection(0);
    fileCopying();
    userCode(3, "// User defined code - post file copying");
    registration();
    protection(1);
    userCode(4, "// User defined code - pre PM group creation");
    if (!m_p.group[0])
        programManagerGroup();
    userCode(5, "// User defined code - post PM group creation");
    if (m_p.deinstall)
        deinstallIcon();
    success();
    installationCompletion();
    m_w.write("GOTO :END");
    m_w.blank(2);
    userSubroutines();
    endings();
    m_w.write(":END");
    bitmapDeletion();
    finalTidyUp();
    cleanup();
}

std::string Sections::diskLabel(int disk) const {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", disk);
    return m_p.diskLabel + number;
}

void Sections::diskCheck() {
    const std::string label = diskLabel(m_disk);
    std::string prompt = text(DialogText::NextDisk);
    ReplaceAll(prompt, "$", label);
    m_w.write("CheckExists(\"%CurrentDrive%" + label + "\", \"" + prompt + "\")", "NEXTDISK");
    m_w.write("IF %ERROR% == IDCANCEL GOTO :EXIT");
}

void Sections::message(int n, DialogText t) {
    m_w.write("SET %Message" + std::to_string(n) + "%=" + quoted(text(t)),
              authoring::kDialogTexts[static_cast<int>(t)].key);
}

void Sections::header() {
    const Options& o = m_in.options;
    m_w.write("//");
    m_w.write("// Setup Installation File");
    m_w.write("// Created by " + o.title + " Version " + o.version);
    m_w.write("//");
    m_w.write("// " + o.copyright);
    m_w.write("//");
    std::tm t{};
    if (o.utc)
        gmtime_r(&o.time, &t);
    else
        localtime_r(&o.time, &t);
    char created[64];
    std::snprintf(created, sizeof created, "// Created: %02d-%02d-%02d at %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    m_w.write(created);
    m_w.write("//");
    if (!m_p.comments.empty()) {
        std::size_t start = 0;
        while (true) {
            const auto end = m_p.comments.find("\r\n", start);
            const std::string line = m_p.comments.substr(start, end == std::string::npos ? std::string::npos : end - start);
            m_w.write(line.empty() ? std::string() : "// " + line, "COMMENTS");
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
    }
    m_w.blank(2);
    m_w.write("// Application Variables");
    m_w.write("SET %Caption%=" + quoted(text(DialogText::Caption)), "CAPTION");
    m_w.write("SET %Application%=" + quoted(m_p.appName), "APPNAME");
    m_w.write("SET %Company%=" + quoted(m_p.company), "COMPANY");
    m_w.write("SET %InstallPath%=" + quoted(m_p.defaultPath), "DEFPATH");
    m_w.write("SET %InstallDrive%=Left(\"%InstallPath%\", 2)");
    m_w.write("SET %Option%=1");
    m_w.write("SET %Option1%=TRUE");
    m_w.write("SET %IniFile%=" + quoted(m_p.iniFile), "LICENSEINI");
    m_w.write("SetSharedRegistry(\"%Company%\", \"%Application%\", \"%IniFile%\")");
    m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" GetProfileString(\"Install\", \"Path\", \"%InstallPath%\", \"%IniFile%\", "
              "%InstallPath%)");
    m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegGetSetting(2, \"SOFTWARE\\%Company%\\%Application%\\Install\", "
              "\"Path\", \"%InstallPath%\", %InstallPath%)");
    m_w.write("AddChar(%InstallPath%, \"\\\")");
    m_w.write("SET %InstallDrive%=Left(\"%InstallPath%\", 2)");
    m_w.blank(2);
    m_w.write("// Language");
    m_w.write(std::string("SetLanguage(\"") + kScriptLanguageNames[m_p.language] + "\")\r\n\r\n");
}

void Sections::bitmapCopying() {
    m_disk = 1;
    for (std::size_t i = 0; i < m_p.bitmaps.size(); ++i) {
        if (i == 0)
            m_w.write("// Copy all the bitmaps");
        if (m_in.layout.bitmaps[i] != m_disk) {
            m_disk = m_in.layout.bitmaps[i];
            diskCheck();
        }
        const std::string name = fileNameOf(m_p.bitmaps[i].path);
        m_w.write("CopyFile(\"" + withExtension(name, "BM_") + "\",\"%WindowsDirectory%TEMP\\" + name + "\")",
                  "BITMAP" + std::to_string(i + 1));
    }
    if (!m_p.bitmaps.empty())
        m_w.blank(2);
}

void Sections::objects() {
    if (m_p.objects.empty())
        return;
    m_w.write("// Create all the objects");
    for (std::size_t i = 0; i < m_in.objects.size(); ++i) {
        const RenderedObject& o = m_in.objects[i];
        const std::string key = "OBJECT" + std::to_string(i + 1);
        if (!o.found) {
            // The object is left out; the install goes on without it.
            m_warnings.push_back(Problem{key, 0, "the object file " + m_p.objects[i] + " is missing; it is left out"});
            continue;
        }
        for (const std::string& line : o.lines)
            m_w.write(line, key);
    }
}

void Sections::closeSetupProgram() { m_w.write("// Close Setup Program\r\nHideSetup()\r\n\r\n"); }

void Sections::backdropChoice() {
    m_w.write("// Display appropriate backdrop");
    m_w.write("GetScreenWidth(%Width%)");
    m_w.write("SET %BackDrop%=" + quoted(m_p.backdrops[4]), "BACKDROPRES5");
    static const int kWidths[] = {640, 720, 800, 1024};
    for (int i = 0; i < 4; ++i)
        if (m_p.backdrops[i] != "(Default)")
            m_w.write("IF %Width%==" + std::to_string(kWidths[i]) + " SET %BackDrop%=" + quoted(m_p.backdrops[i]),
                      "BACKDROPRES" + std::to_string(i + 1));
    // A backdrop named but not defined stops the install when it is shown.
    for (int i = 0; i < 5; ++i) {
        const std::string& b = m_p.backdrops[i];
        if (b == "(Default)" || b == "(None)")
            continue;
        bool known = false;
        for (const auto& o : m_in.objects)
            known |= o.found && o.name == b;
        if (!known)
            m_warnings.push_back(Problem{"BACKDROPRES" + std::to_string(i + 1), 0,
                                         "no object of the project is named " + b +
                                             "; showing it would stop the install (error 60)"});
    }
    m_w.write("IF \"%BackDrop%\" != \"(None)\" ShowBackdrop(\"%BackDrop%\")");
    m_w.blank(2);
}

void Sections::upgradeDetection() {
    m_w.write("// Determine if s/w is already installed");
    const std::string registryKey = "\"SOFTWARE\\%Company%\\%Application%\\Install\"";
    if (m_p.deinstall) {
        m_w.write("SET %DoUpgrade% = FALSE");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" GetProfileString(\"Install\", \"DeInstallScript\", "
                  "\"%InstallPath%ZRVUNI.INF\", \"%IniFile%\", %DeInstall%)");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegGetSetting(2, " + registryKey +
                  ", \"DeInstallScript\", \"%InstallPath%ZRVUNI.INF\", %DeInstall%)");
    }
    m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" GetProfileString(\"Install\", \"Installed\", \"0\", \"%IniFile%\", "
              "%Installed%)");
    m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegGetInt(2, " + registryKey + ", \"Installed\", 0, %Installed%)");
    if (m_p.deinstall) {
        m_w.write("IF %Installed% != 0 GOTO :GOTVERSION");
        m_w.write("SET %DoUpgrade% = TRUE");
        m_w.write("SET %DeInstall% = \"%InstallPath%ZRVUNI.INF\"");
        m_w.write("CheckExists(\"%DeInstall%\")");
        m_w.write("SET %Installed% = %ERROR%");
        m_w.write("IF %ERROR% == TRUE GOTO :GOTVERSION");
        m_w.write("SET %DeInstall% = \"%InstallPath%ZRVUNI.SCR\"");
        m_w.write("CheckExists(\"%DeInstall%\")");
        m_w.write("SET %Installed% = %ERROR%");
        m_w.write("IF %ERROR% == TRUE GOTO :GOTVERSION");
        m_w.write("SET %DeInstall% = \"%InstallPath%" + withExtension(m_p.title, "SCR") + "\"", "PROJECT");
        m_w.write("CheckExists(\"%DeInstall%\")");
        m_w.write("SET %Installed% = %ERROR%");
        m_w.write(":GOTVERSION");
    }
    m_w.blank(2);
}

void Sections::userCode(int slot, std::string_view comment) {
    const std::string& code = m_p.userCode[slot];
    if (code.empty())
        return;
    const std::string key = "USERCODE" + std::to_string(slot + 1);
    m_w.write(comment);
    m_w.write(code, key);
    m_w.blank(2);
}

void Sections::welcomeDialog() {
    m_w.write("// Welcome Dialog");
    m_w.write(":BACK1");
    message(1, DialogText::Welcome1);
    message(2, DialogText::Welcome2);
    if (!text(DialogText::About).empty())
        message(3, DialogText::About);
    m_w.write("DialogBox(\"Welcome\")");
    m_w.write("IF %ERROR% == IDCANCEL GOTO :EXIT");
    m_w.blank(2);
}

void Sections::optionsDialog() {
    const int n = static_cast<int>(m_p.options.size());
    const bool twoColumns = n > 7;
    const int rows = (n + 1) / 2;
    const int width = twoColumns ? 300 : 260;
    const int height = twoColumns ? (rows + 4) * 20 : (n - 1) * 20 + 100;
    m_w.write("// Installation options");
    m_w.write("CreateDialog(\"OPTIONS\",\"%Caption%\",0,0," + std::to_string(width) + "," + std::to_string(height) + ")");
    authoring::ObjectHeader dialog;
    dialog.type = static_cast<int>(ObjectKind::Dialog);
    auto control = [&](ControlType type, std::string caption, std::string id, int x, int y, int w, int h) {
        authoring::ControlRecord c;
        c.type = static_cast<int>(type);
        c.caption = std::move(caption);
        c.icon = c.caption;
        c.id = std::move(id);
        c.x = x, c.y = y, c.width = w, c.height = h;
        return c;
    };
    m_w.write(authoring::renderControl(dialog, control(ControlType::GroupBox, "", "-1", 6, 6, width - 12, height - 30), true));
    m_w.write(authoring::renderControl(dialog, control(ControlType::Icon, "Setup", "-1", 15, 20, 0, 0), true));
    auto prompt = control(ControlType::Text, text(DialogText::ZrvUni1), "-1", 60, 30, 170, 24);
    prompt.font = "MS Sans Serif";
    prompt.fontSize = 15;
    m_w.write(authoring::renderControl(dialog, prompt, true), "ZRVUNI1");
    for (int i = 1; i <= n; ++i) {
        const bool second = twoColumns && i > rows;
        const int x = twoColumns ? (second ? 154 : 20) : 38;
        const int y = 46 + 20 * ((second ? i - rows : i) - 1);
        auto c = control(m_p.exclusiveOptions ? ControlType::RadioButton : ControlType::CheckBox,
                         m_p.options[i - 1], std::to_string(i + 99), x, y, twoColumns ? 124 : 180, 14);
        c.variable = "%Option" + std::to_string(i) + "%";
        m_w.write(authoring::renderControl(dialog, c, true), "OPTINSTALL" + std::to_string(i));
    }
    int x = width - (m_p.welcome ? 179 : 120);
    const int y = height - 17;
    m_w.write(authoring::renderControl(dialog, control(ControlType::Button, captionText(14090, m_p.language), "IDOK", x, y, 54, 14), true));
    if (m_p.welcome) {
        x += 59;
        m_w.write(authoring::renderControl(dialog, control(ControlType::Button, captionText(14180, m_p.language), "IDBACK", x, y, 54, 14), true));
    }
    x += 59;
    m_w.write(authoring::renderControl(dialog, control(ControlType::Button, captionText(14020, m_p.language), "IDCANCEL", x, y, 54, 14), true));
    m_w.write("CentreDialog()");
    m_w.write("SetFocus(IDOK)");
    m_w.write("EndObject()");
    m_w.blank();
    m_w.write(":BACK2");
    m_w.write("DialogBox(\"OPTIONS\")");
    if (m_p.welcome)
        m_w.write("IF %ERROR% == IDBACK GOTO :BACK1");
    m_w.write("IF %ERROR% == IDCANCEL GOTO :EXIT");
    m_w.write("SET %Option%=0");
    for (int i = n; i >= 1; --i) {
        if (i != n)
            m_w.write("SET %Option%=%Option% * 2");
        m_w.write("SET %Option%=%Option% + %Option" + std::to_string(i) + "%");
    }
    m_w.blank(2);
}

void Sections::installationPath() {
    const char* makeDir[] = {"AddChar(%InstallPath%, \"\\\")", "SET %MakeDir% = %InstallPath%",
                             "SET %Temp% = Len(%MakeDir%)", "IF %Temp% > 3 SET %Temp% = %Temp% - 1",
                             "SET %MakeDir% = Left(%MakeDir%, %Temp%)"};
    m_w.write("// Sort out where to install the software");
    m_w.write("// but only if the software isn't already installed");
    for (const char* l : makeDir)
        m_w.write(l);
    m_w.write("IF %Installed% == TRUE GOTO :INSTALLED");
    m_w.blank(2);
    if (m_p.askPath) {
        m_w.write("// Ask the user where to install the software");
        m_w.write("// but only if the software isn't already installed");
        m_w.write(":RETRY");
        message(1, DialogText::AskPath1);
        m_w.write("DialogBox(\"AskPath\")");
        if (severalOptions())
            m_w.write("IF %ERROR% == IDBACK GOTO :BACK2");
        else if (m_p.welcome)
            m_w.write("IF %ERROR% == IDBACK GOTO :BACK1");
        m_w.write("IF %ERROR% == IDCANCEL GOTO :EXIT");
    }
    m_w.blank();
    m_w.write("// Create installation directory");
    m_w.write(":INSTALLED");
    m_w.write("SET %InstallDrive% = Left(\"%InstallPath%\", 2)");
    for (const char* l : makeDir)
        m_w.write(l);
    m_w.write("MkDir(%MakeDir%)");
    m_w.write("IsWriteable(%MakeDir%)");
    m_w.write("IF %ERROR% == FALSE GOTO :DIRERROR");
    m_w.blank(2);
    const std::string registryKey = "\"SOFTWARE\\%Company%\\%Application%\\Install\"";
    m_w.write("// Save the installation directory/de-install script");
    m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" WriteProfileString(\"Install\", \"Path\", \"%MakeDir%\", \"%IniFile%\")");
    m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegWriteSetting(2, " + registryKey + ", \"Path\", \"%MakeDir%\")");
    m_w.write("SET %Temp% = \"\"");
    m_w.blank(2);
    if (m_p.deinstall) {
        m_w.write("// Upgrade the de-install if required");
        m_w.write("IF %DoUpgrade% == FALSE GOTO :NOZRVUNIUPG");
        m_w.write("SET %Temp% = \"%DeInstall%\"");
        m_w.write("SET %DeInstall% = \"%WindowsDirectory%VQRSOFT\\" + withExtension(m_p.title, "001") + "\"", "PROJECT");
        m_w.write("GetBackupName(\"%DeInstall%\", %DeInstall%)");
        m_w.write("IF %Installed% == FALSE GOTO :NOZRVUNIUPG");
        m_w.write("Open(\"%DeInstall%\", 10, WRITE)");
        m_w.write("WriteLine(10, \"//$FILES$\")");
        m_w.write("Close(10)");
        m_w.write("CopyFile(\"%Temp%\",\"%DeInstall%\",0,1,1)");
        m_w.write(":NOZRVUNIUPG");
        m_w.blank();
        m_w.write("SET %DoUpgrade% = \"\"");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" WriteProfileString(\"Install\", \"DeInstallScript\", \"%DeInstall%\", "
                  "\"%IniFile%\")");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegWriteSetting(2, " + registryKey +
                  ", \"DeInstallScript\", \"%DeInstall%\")");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX16\" WriteProfileString(\"Install\", \"Installed\", \"1\", \"%IniFile%\")");
        m_w.write("IF \"#INSTVER#\"==\"ZRVX32\" RegWriteInt(2, " + registryKey + ", \"Installed\", 1)");
        m_w.blank();
        m_w.write("WriteProfileString(\"%Application%\", \"Version\", \"1\", \"ZRVUNI.INI\")");
        m_w.write("WriteProfileString(\"%Application%\", \"DeInstallScript\", \"%DeInstall%\", \"ZRVUNI.INI\")");
        m_w.write("WriteProfileString(\"%Application%\", \"Cmd\", \"%WindowsDirectory%VQRSOFT\\#INSTVER#.EXE\", "
                  "\"ZRVUNI.INI\")");
        m_w.blank(2);
    }
    for (std::size_t i = 1; i < m_p.directories.size(); ++i) {
        if (i == 1)
            m_w.write("// Create directory structure");
        m_w.write("Set %MakeDir% = " + quoted(m_p.directories[i]), "DIRECTORY" + std::to_string(i + 1));
        m_w.write("MkDir(\"%MakeDir%\")");
        m_w.write("IsWriteable(%MakeDir%)");
        m_w.write("IF %ERROR% == FALSE GOTO :DIRERROR");
    }
    m_w.write("SET %MakeDir% = \"\"");
    m_w.blank(2);
}

void Sections::diskSpaceCheck() {
    m_w.write("// Check for space availability");
    m_w.write("GetDiskSpace(%InstallDrive%)");
    m_w.write("SET %Space%=%ERROR%");
    const auto required = authoring::requiredSpace(m_p, [&](const std::string& source) {
        for (std::size_t i = 0; i < m_p.files.size(); ++i)
            if (m_p.files[i].source == source)
                return m_in.sizes[i];
        return std::uint64_t{0};
    });
    // A figure past the script's numbers would wrap negative and pass every check.
    auto number = [](std::uint64_t v) { return std::to_string(std::min(v, kMaxScriptNumber)); };
    if (severalOptions()) {
        m_w.write("SET %Required%=" + number(m_p.extraSpace));
        for (std::size_t i = 0; i < required.size(); ++i)
            m_w.write("IF %Option" + std::to_string(i + 1) + "%==TRUE SET %Required%=%Required% + " +
                      number(required[i]));
    } else {
        m_w.write("SET %Required%=" + number((required.empty() ? 0 : required[0]) + m_p.extraSpace));
    }
    m_w.write("IF %Space% >= %Required% GOTO :GOTSPACE");
    m_w.write("MessageBox(" + quoted(text(DialogText::SpaceCheck1)) + ", \"%Caption%\", MB_YESNO, MB_ICONQUESTION)",
              "SPACECHECK1");
    m_w.write("IF %ERROR% == IDNO GOTO :EXIT");
    m_w.write(":GOTSPACE");
    m_w.blank(2);
}

void Sections::success() {
    m_w.write("// Done");
    m_w.write(":SUCCESS");
    message(1, DialogText::Success1);
    message(2, DialogText::Success2);
    m_w.write("DialogBox(\"OkBox\")");
}

void Sections::installationCompletion() {
    if (m_p.userCode[6].empty())
        return;
    m_w.blank(2);
    m_w.write("// User defined code - installation completion");
    m_w.write(m_p.userCode[6], "USERCODE7");
}

void Sections::userSubroutines() {
    for (int slot = 9; slot < 15; ++slot) {
        if (m_p.userCode[slot].empty())
            continue;
        m_w.write("// User Defined Code");
        m_w.write(":USER" + std::to_string(slot - 8));
        m_w.write(m_p.userCode[slot], "USERCODE" + std::to_string(slot + 1));
        m_w.blank(2);
    }
}

void Sections::endings() {
    // Each ending shows its two messages in the OK box and goes on.
    auto ending = [&](const char* comment, const char* label, bool endCopy, DialogText first, DialogText second,
                      const char* then) {
        m_w.write(comment);
        m_w.write(label);
        if (endCopy)
            m_w.write("EndCopyFile()");
        message(1, first);
        message(2, second);
        m_w.write("DialogBox(\"OkBox\")");
        m_w.write(then);
        m_w.blank(2);
    };
    ending("// User decided to quit", ":EXIT", true, DialogText::Quit1, DialogText::Quit2, "GOTO :END");
    ending("// Error", ":ERROR", true, DialogText::Error1, DialogText::Error2, "GOTO :END");
    ending("// Failed to create install directory", ":DIRERROR", false, DialogText::DirError1, DialogText::DirError2,
           m_p.askPath ? "GOTO :RETRY" : "GOTO :END");
}

void Sections::bitmapDeletion() {
    for (std::size_t i = 0; i < m_p.bitmaps.size(); ++i) {
        if (i == 0)
            m_w.write("// Delete all the bitmaps");
        m_w.write("Delete(\"%WindowsDirectory%TEMP\\" + fileNameOf(m_p.bitmaps[i].path) + "\")",
                  "BITMAP" + std::to_string(i + 1));
    }
    if (!m_p.bitmaps.empty())
        m_w.blank(2);
}

void Sections::finalTidyUp() {
    m_w.write("// Final tidy up - close files and remove components from H/D");
    if (m_p.deinstall)
        m_w.write("CloseDeInstall()");
    m_w.write("Close()");
}

void Sections::cleanup() {
    char label[32];
    std::snprintf(label, sizeof label, "DISK%02d", m_in.layout.cleanupDisk);
    m_w.write(std::string("CheckExists(\"%CurrentDirectory%CLEANUP.EXE\", \"Please insert the diskette labelled '") +
              label + "'\")");
    m_w.write("IF %ERROR% == IDOK WinExec(\"%CurrentDirectory%CLEANUP.EXE\")");
}

} // namespace zrv::generator
