// zrva32: the authoring tool. This file reads the command line: the workbench
// (no command, or a project alone), the SZDD codec on host files, script
// encryption and the settings; the project commands are in commands.cpp.
#include "authoring/cli.h"
#include "authoring/project/encryption.h"
#include "authoring/project/settings.h"
#include "common/system.h"
#include "platform/base/ansi.h"
#include "platform/formats/lz.h"
#include "platform/machine/machine.h"
#include "platform/host/hostfs.h"
#include "platform/host/module.h"
#include "authoring/workbench/options.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zrv::authoring::failure;
using zrv::authoring::openMachine;
using zrv::authoring::usageError;
using zrv::authoring::windowsPath;

namespace {

constexpr const char* kUsage = R"(Usage: zrva32 [--machine DIR] COMMAND ...
       zrva32 [--machine DIR] [PROJECT.SPJ]

The authoring tool of the installation kit. Without a command, or with a
project alone, it opens the workbench (where a display is), on that
project, else on the one open last.

Projects (.SPJ):
  new PROJECT.SPJ [--language 0-6]
                     create a project (refuses an existing file); languages:
                     0 UK English, 1 US English, 2 French, 3 German,
                     4 Italian, 5 Spanish, 6 Dutch (default: by the country)
  show PROJECT.SPJ   print the bytes a save would write now; the file is kept
  list PROJECT.SPJ [--details] [--no-descriptions]
                     the file list, one line per file
  save PROJECT.SPJ [NEW.SPJ]
                     open and save (upgrading older formats); with NEW.SPJ,
                     save it under that new name
  set PROJECT.SPJ KEY=VALUE... [--file KEY=HOSTFILE]...
                     change project keys as the file writes them ("~~" is a
                     line break in COMMENTS and USERCODEn); --file takes the
                     value from a text file
  set PROJECT.SPJ dir|option INDEX TEXT
  set PROJECT.SPJ file INDEX PROP=VALUE...
  add PROJECT.SPJ dir|option TEXT
  add PROJECT.SPJ bitmap|object PATH
  add PROJECT.SPJ file SOURCE [PROP=VALUE...]
  remove PROJECT.SPJ dir|option|bitmap|object|file INDEX
  files PROJECT.SPJ order FILE...
                     the file list in this order (as Project / Edit): a file
                     the project holds keeps its entry, a new one gets the
                     defaults of add
  move PROJECT.SPJ file N up|down
  object PROJECT.SPJ new [PROP=VALUE...]
  object PROJECT.SPJ set N [PROP=VALUE...]
  object PROJECT.SPJ delete N
                     a new or changed object through the properties' rules
                     (file, name, type backdrop|dialog|cuecard, border,
                     caption, position, x, y, width, height); prints its file
  preview PROJECT.SPJ NAME|N [--print] [--ui qt|headless] [--answers FILE]
          [--transcript FILE]
                     preview an object: its preview script run by the
                     interpreter (setting Executables Zrvx32) on the
                     authoring machine; --print prints the script instead
  test PROJECT.SPJ [--debug] [--disks DIR] [--machine-for-test DIR]
          [--ui qt|headless] [--answers FILE] [--transcript FILE]
                     install the built disk set (default DISKS in the
                     project's folder) by its SETUP.EXE in a scratch machine
                     (or DIR, kept); --debug runs it under the debugger with
                     the project's .DDB file
  relocate PROJECT.SPJ
                     a moved project: paths under its old folder move to the
                     new one (in the project and its object files)
  import-vb PROJECT.SPJ FILE.MAK|FILE.VBP
                     add a Visual Basic project's controls and executables
  import-components PROJECT.SPJ [--list FILE] [NAME...]
                     add the files of vendor components (and the ones they
                     use); without NAME, print the components of the list
                     (default list: setting Install ImportList)
  build PROJECT.SPJ [-o DIR] [--disk-size 1.44M|720K|360K|1.2M|2.88M|BYTES|
                     unlimited] [--max-disks N] [--include all|none|N[,N...]]
                     [--jobs N] [--no-store-raw] [--long-names] [--runtime DIR]
                     [--images] [--report FILE] [--refill DIR] [--force] [--quiet]
                     build the disk set: DIR\DISK1, DIR\DISK2, ... (default
                     DISKS in the project's folder) for zrvx32 install; with
                     --images also DIR\DISKn.IMG floppy images (mtools)
  script PROJECT.SPJ [-o FILE] [the layout options of build] [--quiet]
                     write the setup script build would put on disk 1
                     (default: the script file name in the project's folder);
                     refuses, writing nothing, when a source file is missing
                     or a text would break the script
  render OBJECTFILE [--preview]
                     print an object's script lines (preview: bitmaps where
                     they are, not where the setup copies them)

Scripts and files:
  compress SRC DST   compress SRC into DST in the SZDD format that the
                     installer (and EXPAND.EXE) reads; when DST ends in '_',
                     the character it replaces is kept in the header
  expand SRC DST     expand an SZDD file; other files are copied unchanged
  encrypt SRC [DST]  write the script SRC in the encrypted form that the
                     installer reads (a 0x4000 marker, every line scrambled)
  decrypt SRC [DST]  write it back as plain text; without DST both convert in
                     place; DST gets SRC's date and time, lines end in CR LF
  settings [SECTION [KEY [VALUE]]]
                     print the settings, a section or one setting; with VALUE,
                     set it (a whole number is stored as an integer unless the
                     setting holds text)

Indexes count from 1. File properties: target comment cuecard icontext params
actionparams iconindex iconfile workdir overtext unprotect protect makeicon
checkinuse overwrite usage compress optional included shared options action
ext. Keys of set: APPNAME DEFPATH PROJATTRIBS LICENSEINI DISKLABEL COMMENTS
SETUPFILE ENCRIPT RESERVE SPLITSIZE SPACEREQD OPTIONALFILES COMPANY PMGROUP
GRPCAPFILE LANGUAGE, the dialog texts (SETUPMSG ... WAITSELFEXTRACT, ZRVUNIn
but ZRVUNI2), BACKDROPRESn and USERCODEn.

Files are host paths, or Windows paths of the authoring machine ("C:\..."),
where drive Z: is the host's "/". Editing commands open, change and save the
project; a refusal leaves it as it was. Messages go to stderr. Exit status:
0 done, 1 refused or failed, 2 bad usage.

Options:
  --machine DIR      the authoring machine (default: $ZRVA_MACHINE, else
                     ~/.local/share/zrv/authoring); created when missing
  --help             show this help
  --version          show the version
)";

std::optional<std::int32_t> wholeNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long long n = std::strtoll(text.c_str(), &end, 10);
    if (*end || errno || n < INT32_MIN || n > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(n);
}

int settings(const fs::path& machineDir, const std::vector<std::string>& args) {
    if (args.size() > 3)
        return usageError("settings takes at most SECTION, KEY and VALUE");
    auto machine = openMachine(machineDir);
    if (!machine)
        return failure(machine.error().describe());
    zrv::authoring::SettingsStore store(**machine);
    std::vector<std::string> ansi;
    for (const std::string& a : args) {
        auto t = zrv::utf8ToAnsi(a);
        if (!t)
            return usageError(a + ": characters Windows code page 1252 cannot hold");
        ansi.push_back(*t);
    }
    if (ansi.size() <= 1) {
        std::vector<std::string> sections;
        if (ansi.empty()) {
            auto all = store.sections();
            if (!all)
                return failure(all.error().describe());
            sections = *all;
        } else {
            sections.push_back(ansi[0]);
        }
        for (const std::string& section : sections) {
            auto entries = store.entries(section);
            if (!entries)
                return failure(entries.error().describe());
            if (ansi.empty())
                std::cout << "[" << zrv::ansiToUtf8(section) << "]\n";
            for (const auto& e : *entries)
                std::cout << zrv::ansiToUtf8(e.key) << "=" << zrv::ansiToUtf8(e.value) << "\n";
        }
        return 0;
    }
    auto found = store.find(ansi[0], ansi[1]);
    if (!found)
        return failure(found.error().describe());
    if (ansi.size() == 2) {
        if (!*found)
            return failure("no setting " + args[1] + " in " + args[0]);
        std::cout << zrv::ansiToUtf8((*found)->value) << "\n";
        return 0;
    }
    auto number = wholeNumber(ansi[2]);
    const bool integer = *found ? (*found)->integer : number.has_value();
    if (integer && !number)
        return usageError(args[1] + " holds a whole number, not \"" + args[2] + "\"");
    auto r = integer ? store.setInt(ansi[0], ansi[1], *number) : store.setString(ansi[0], ansi[1], ansi[2]);
    if (!r)
        return failure(r.error().describe());
    return 0;
}

int convert(const fs::path& machineDir, const std::string& command, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2)
        return usageError(command + " takes SRC and, if it is not to change in place, DST");
    auto machine = openMachine(machineDir);
    if (!machine)
        return failure(machine.error().describe());
    std::vector<std::string> paths;
    for (const std::string& a : args) {
        auto p = windowsPath(a);
        if (!p)
            return usageError(a + ": the name has characters Windows code page 1252 cannot hold");
        paths.push_back(*p);
    }
    auto direction = command == "encrypt" ? zrv::authoring::Convert::Encrypt : zrv::authoring::Convert::Decrypt;
    auto status = zrv::authoring::convertScript(**machine, paths[0], direction, paths.size() > 1 ? paths[1] : "");
    if (status != zrv::authoring::ConvertStatus::Done)
        return failure(std::string(zrv::authoring::convertMessage(status)) + ": " + args[0]);
    return 0;
}

// Streams SRC to DST through fixed buffers, so memory stays small whatever the
// size; DST is written beside itself and renamed into place when whole.
int codec(const std::string& command, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return usageError(command + " takes SRC and DST");
    fs::path src = args[0], dst = args[1];
    std::error_code ec;
    if (fs::exists(dst, ec) && fs::equivalent(src, dst, ec))
        return failure("SRC and DST are the same file");
    std::ifstream in(src, std::ios::binary);
    const auto size = fs::file_size(src, ec);
    if (!in || ec)
        return failure("cannot read " + src.string());
    fs::path tmp = dst;
    tmp += ".zrv-" + std::to_string(zrv::host::processId()) + ".tmp";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    auto abandon = [&](const std::string& why) {
        out.close();
        fs::remove(tmp, ec);
        return failure(why);
    };
    if (!out)
        return abandon("cannot write " + dst.string());
    zrv::ReadSome read = [&](void* buffer, std::size_t count) -> zrv::Result<std::size_t> {
        in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
        if (in.bad())
            return zrv::fail(zrv::WinError::IoDevice, "cannot read " + src.string());
        return static_cast<std::size_t>(in.gcount());
    };
    zrv::WriteAll write = [&](const void* bytes, std::size_t count) -> zrv::Result<void> {
        if (!out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count)))
            return zrv::fail(zrv::WinError::IoDevice, "cannot write " + dst.string());
        return {};
    };
    zrv::Result<void> done;
    if (command == "compress") {
        std::string dstName = dst.filename().string();
        std::string srcName = src.filename().string();
        char missing = !dstName.empty() && dstName.back() == '_' && !srcName.empty() ? srcName.back() : 0;
        done = zrv::szddCompressStream(size, read, write, missing);
    } else {
        unsigned char head[zrv::kSzddHeaderSize] = {};
        in.read(reinterpret_cast<char*>(head), sizeof head);
        const auto got = static_cast<std::size_t>(in.gcount());
        in.clear();
        in.seekg(0);
        if (!zrv::isSzddHeader(head, got)) {
            // Not compressed: copied as it is.
            std::vector<char> buffer(1 << 20);
            for (;;) {
                auto n = read(buffer.data(), buffer.size());
                if (!n) {
                    done = n.error();
                    break;
                }
                if (*n == 0)
                    break;
                if (auto w = write(buffer.data(), *n); !w) {
                    done = w.error();
                    break;
                }
            }
        } else if (auto n = zrv::szddExpandStream(read, write); !n) {
            done = n.error();
        }
    }
    if (!done)
        return abandon(src.string() + ": " + done.error().describe());
    out.close();
    if (!out)
        return abandon("cannot write " + dst.string());
    fs::rename(tmp, dst, ec);
    if (ec)
        return abandon("cannot write " + dst.string() + ": " + ec.message());
    return 0;
}

// The workbench lives in a module beside zrva32, so the commands never load Qt.
int workbench(const fs::path& machine, const std::string& project) {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM"))
        return failure("the workbench needs a display (DISPLAY or WAYLAND_DISPLAY is not set); "
                       "every command of 'zrva32 --help' works without one");
    zrv::workbench::qt::WorkbenchOptions o;
    std::error_code ec;
    o.machineDir = fs::absolute(machine, ec);
    if (!project.empty()) {
        auto path = windowsPath(project);
        if (!path)
            return failure(project + ": the name has characters Windows code page 1252 cannot hold");
        o.commandLine = *path;
    }
    o.interpreter = {zrv::authoring::interpreterProgram()};
    auto entry = zrv::host::moduleSymbol("zrva32-qt.so", "zrva32RunWorkbench");
    if (!entry)
        return failure("the workbench cannot be loaded: " + entry.error().describe());
    using Run = int (*)(const zrv::workbench::qt::WorkbenchOptions*, std::string*);
    std::string error;
    const int status = reinterpret_cast<Run>(*entry)(&o, &error);
    if (!error.empty())
        return failure(error);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words;
    fs::path machine = zrv::userMachineFolder("ZRVA_MACHINE", "authoring");
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (words.empty() && a == "--machine") {
            if (i + 1 >= argc)
                return usageError("--machine needs a folder");
            machine = argv[++i];
            continue;
        }
        if (words.empty() && (a == "--help" || a == "-h")) {
            std::cout << kUsage;
            return 0;
        }
        if (words.empty() && a == "--version") {
            std::cout << "zrva32 0.1.0\n";
            return 0;
        }
        if (words.empty() && !a.empty() && a[0] == '-')
            return usageError("unknown option '" + a + "'");
        words.push_back(a);
    }
    // No command, or a project alone: the workbench.
    const bool project = words.size() == 1 && words[0].size() > 4 &&
                         zrv::equalNoCase(words[0].substr(words[0].size() - 4), ".SPJ");
    if (words.empty() || project)
        return workbench(machine, project ? words[0] : std::string());
    std::vector<std::string> args(words.begin() + 1, words.end());
    if (words[0] == "compress" || words[0] == "expand")
        return codec(words[0], args);
    if (words[0] == "encrypt" || words[0] == "decrypt")
        return convert(machine, words[0], args);
    if (words[0] == "settings")
        return settings(machine, args);
    if (int status = zrv::authoring::projectCommand(machine, words[0], args); status >= 0)
        return status;
    return usageError("unknown command '" + words[0] + "'");
}
