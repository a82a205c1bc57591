// Object files: a display object (backdrop, dialog or cue card) kept in a
// profile file of its own, and its rendering as the script lines that create
// it at install time.
#pragma once

#include "authoring/project/project.h"
#include "common/objects.h"
#include "platform/base/ini.h"
#include "platform/base/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

inline constexpr int kObjectVersion = 100;
inline constexpr int kMaxControls = 99;

struct ObjectHeader {
    int version = -1;
    std::string name = "DEFAULTOBJECTNAME"; // at most 40 characters
    int type = 1;                           // 1 backdrop, 2 dialog, 3 cue card
    int border = 0;
    std::string caption = "DEFAULTCAPTION"; // at most 128
    int position = 0;                       // 0 none, 1 horizontally, 2 vertically, 3 both
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ObjectHeader&) const = default;
};

struct ControlRecord {
    int type = -1; // -1: no such control
    std::string caption;
    int x = 0, y = 0, width = 0, height = 0;
    int alignment = 0, fontSize = 0, shadowOffset = 0;
    std::int32_t foreground = 0, shadowColour = 0;
    std::string font;
    int bold = 0, border = 0, editLength = 0, textCase = 0;
    std::string variable, id, icon, bitmap;
    int horizontal = 0, vertical = 0, tile = 0, sort = 0;
    bool operator==(const ControlRecord&) const = default;
};

// On the text of an object file.
void writeHeader(IniDocument& doc, const ObjectHeader& h);
ObjectHeader readHeader(const IniDocument& doc);
int readType(const IniDocument& doc); // -1 when there is none
ControlRecord readControl(const IniDocument& doc, int n);
void writeControl(IniDocument& doc, int n, const ControlRecord& c);
// Controls 1, 2, ... up to the first missing one.
std::vector<ControlRecord> readControls(const IniDocument& doc);
// Appends a control to an object's list; 10019 past 99 controls.
Check addControl(std::vector<ControlRecord>& controls, ControlRecord c);
// Replaces the Controls section by the list, numbered from 1.
void saveControls(IniDocument& doc, const std::vector<ControlRecord>& controls);

// The script lines of an object: its create line, a line per control, the
// centring line, EndObject() and two empty lines. For the script, a bitmap is
// named where the setup copies it (the Windows TEMP directory). Fails for a
// file without a type, or a type or control type the interpreter lacks.
Result<std::vector<std::string>> renderObject(const IniDocument& doc, bool forScript);
std::string renderControl(const ObjectHeader& h, const ControlRecord& c, bool forScript);

// On the machine's files. A missing or unreadable file reads as empty text.
IniDocument loadObject(Machine& machine, std::string_view path);
bool objectExists(Machine& machine, std::string_view path);
Result<void> storeObject(Machine& machine, std::string_view path, const IniDocument& doc);
// 10021 unless the object file's version is 100.
Check checkObjectVersion(Machine& machine, std::string_view path);
// Adds an object file to the project: refused with 10025 when the path is in
// it already, 10016 when an object has that name, 10017 past 64 objects.
Check importObject(Machine& machine, ProjectData& p, std::string_view path);
// The name of an object file, for the cue-card rule of deleting objects.
std::string objectName(Machine& machine, std::string_view path);

// The backdrop a new project shows, written to `path` when it is missing.
Result<void> ensureDefaultBackdrop(Machine& machine, std::string_view path);
inline constexpr std::string_view kDefaultBackdropPath = "C:\\ZRVA32\\DEFAULT.BKD";
inline constexpr std::string_view kDefaultBackdropName = "DEFAULTBACKDROP";

} // namespace zrv::authoring
