// An installation project: everything the authoring tool knows about one
// product's set-up, and the editing rules that keep it whole. Pure data and
// rules; reading and writing files is in projectfile.h and document.h.
#pragma once

#include "authoring/project/texts.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zrv::authoring {

// Limits of the lists.
inline constexpr int kMaxFiles = 2048;
inline constexpr int kMaxOptions = 15;
inline constexpr int kMaxDirectories = 16;
inline constexpr int kMaxObjects = 64;
inline constexpr int kMaxUserCode = 6144;
inline constexpr int kUserCodeSlots = 15;
inline constexpr int kBackdropChoices = 5;
inline constexpr int kLanguages = 7;

// Field widths in characters (the stored capacity less its terminator).
namespace Width {
inline constexpr int Path = 255, AppName = 30, Company = 30, DiskLabel = 6, Comments = 300, ScriptName = 12,
                     Backdrop = 40, CopyComment = 60, CueCard = 40, IconText = 40, Params = 50, OverText = 200,
                     Extension = 3, ActionParams = 50;
}

// The runtime files a disk set may carry on disk 1, in stored order.
enum class Runtime : int {
    SetupExe, InstallExe, LzExpand, Ctl3dv2, Interpreter16, Interpreter32, Ctl3d32, RegSvr, RegSvr32, ZrvCmdPif, Lz32
};
inline constexpr int kRuntimeCount = 11;
extern const std::array<const char*, kRuntimeCount> kRuntimeFiles;

enum class FileAction : int { None, RegServer, DllSelfRegister, RegFile, RegFileSilent, Run, RunHidden, RunPif };
extern const std::array<const char*, 8> kFileActionNames;
extern const std::array<const char*, 5> kOverwriteNames;

struct FileEntry {
    std::string source;
    std::string target;
    std::string comment;
    std::string cueCard;
    int unprotect = 0;
    int protect = 0;
    int makeIcon = 0;
    std::string iconText;
    std::string iconParams;
    std::string iconFile;
    std::string workDir;
    std::string overText;
    std::string extension;
    int iconIndex = 0;
    int action = 0;
    std::string actionParams;
    int checkInUse = 0;
    int overwrite = 0;
    int usage = 0;
    int compress = 0;
    int optional = 0;
    int included = 0;
    int shared = 0;
    int firstDisk = 0; // set by the disk build, never stored
    int lastDisk = 0;
    std::uint32_t options = 0;

    // Taken part in copying, icons, registration and running.
    bool copied() const { return usage == 1 && (optional == 0 || included != 0); }
    bool operator==(const FileEntry&) const = default;
};

struct BitmapEntry {
    int disk = 0;
    std::string path;
    bool operator==(const BitmapEntry&) const = default;
};

// The compressed extension of a source path: the file name's extension cut to
// three characters with its last one "_"; "_" for a name without one.
std::string derivedExtension(std::string_view source);

struct ProjectData {
    // Identity.
    std::string title = "[Untitled]";
    std::string path = "[Untitled]";
    std::string directory;
    std::string storedDirectory;
    // Application.
    std::string appName = "Untitled";
    std::string company = "VQRSoftware";
    std::string defaultPath = "C:\\";
    std::string iniFile = "UNTITLED.INI";
    std::string comments; // line breaks as CR LF
    int language = 0;
    // Switches.
    int welcome = 1;
    int deinstall = 1;
    int askPath = 1;
    int exclusiveOptions = 0;
    int encrypt = 0;
    // Disks.
    std::string diskLabel = "DISK";
    std::string scriptName = "SETUP.SCR";
    int reserveKb = 32;
    std::uint32_t splitSize = 102400; // bytes, stored in KB
    std::uint32_t extraSpace = 0;     // bytes, stored in KB
    std::array<int, kRuntimeCount> runtime = {1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};
    // Optional installations; option n is bit n-1 of a file's option mask.
    std::vector<std::string> options;
    // No group, make group, use group file, ask user, unprotect, protect.
    std::array<int, 6> group = {0, 1, 0, 1, 0, 0};
    std::string groupCaption = "%Application%";
    std::array<std::string, kBackdropChoices> backdrops = {"(Default)", "(Default)", "(Default)", "(Default)",
                                                           "DEFAULTBACKDROP"};
    std::array<std::string, kDialogTextCount> texts;
    std::array<std::string, kUserCodeSlots> userCode; // line breaks as CR LF
    std::vector<std::string> directories = {"%InstallPath%"};
    std::vector<FileEntry> files;
    std::vector<std::string> objects;
    std::vector<BitmapEntry> bitmaps;

    std::string& text(DialogText t) { return texts[static_cast<int>(t)]; }
    const std::string& text(DialogText t) const { return texts[static_cast<int>(t)]; }
    int& runtimeFile(Runtime r) { return runtime[static_cast<int>(r)]; }
    int runtimeFile(Runtime r) const { return runtime[static_cast<int>(r)]; }
    bool operator==(const ProjectData&) const = default;
};

// A new project's document in a language; `defaultBackdrop` is the setting
// naming the default backdrop object (lower-cased as the object list holds it).
ProjectData newProjectData(int language, std::string_view defaultBackdrop);

// Why a document or an edit is refused: a message-table number (0 for ours),
// the message, and the key or property at fault.
struct Refusal {
    int number = 0;
    std::string message;
    std::string key;
};
using Check = std::optional<Refusal>;
Refusal refusal(int number, std::string key = {}); // from the message table

// A text that fits its field: not longer than `width`, one line unless
// `multiLine`; nothing when it fits.
Check checkText(std::string_view key, std::string_view value, int width, bool multiLine = false);
// Every field and list of the document within its limits and value lists.
Check checkProject(const ProjectData& p);
Check checkFileEntry(const FileEntry& e, std::string_view key = "FILE");

// The dependency check: runtime files the entries need, shared registration of
// OLE servers. True when it changed anything.
bool dependencyCheck(ProjectData& p);

// Bytes needed per option: sizes of the option's sources, plus its largest
// compressed one, plus the extra space, rounded up past the next kilobyte.
// `sizeOf` gives a source's size (0 when missing).
std::vector<std::uint64_t> requiredSpace(const ProjectData& p,
                                         const std::function<std::uint64_t(const std::string&)>& sizeOf);

// Optional installations (indexes 0-based). Nothing when done.
Check addOption(ProjectData& p, std::string_view name);
Check modifyOption(ProjectData& p, int index, std::string_view name);
// Removes option `index`; the mask bits of later options move down.
Check deleteOption(ProjectData& p, int index);

// A bitmap the setup copies to the target's TEMP folder; refused when its
// path (without case) is there already.
Check addBitmap(ProjectData& p, std::string_view path);

// Directories; entry 0 is the main installation directory.
Check addDirectory(ProjectData& p, std::string_view name);
Check modifyDirectory(ProjectData& p, int index, std::string_view name);
Check deleteDirectory(ProjectData& p, int index);
Check moveDirectory(ProjectData& p, int index, bool up);

// A new file entry as the file-list editor makes it: a name without "." gets
// one; target "%InstallPath%", texts in the project's language.
FileEntry newFileEntry(std::string source, int language);
// The index of an entry with this source (without case), if any.
std::optional<int> findFile(const ProjectData& p, std::string_view source);

// File properties by the names the command line uses; `set` applies the
// linked rules (actions 1 and 2 register as shared and pick the registration
// tool, action 7 the PIF).
extern const std::array<const char*, 23> kFileProperties;
Check setFileProperty(ProjectData& p, int index, std::string_view property, std::string_view value);

// Removes an object by index; entries whose cue card is the object's name
// (read by the caller) lose it.
void deleteObject(ProjectData& p, int index, std::string_view objectName);

} // namespace zrv::authoring
