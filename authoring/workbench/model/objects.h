// The object properties dialog without the dialog: a new object's defaults,
// which fields each type edits, the rules of accepting it, and the script
// that previews an object.
#pragma once

#include "authoring/project/document.h"
#include "authoring/project/objectfile.h"
#include "authoring/project/project.h"

#include <optional>
#include <string>

namespace zrv::workbench {

struct ObjectProperties {
    std::string path;                             // the object file, up to 255 characters
    authoring::ObjectHeader header;               // name, type, border, caption, position, geometry
};

// A new object: the slot after the highest in use names its file
// ("OBJECT%d.BKD" in the project's directory) and its name ("Object%d").
ObjectProperties newObject(const authoring::ProjectData& p);
// An object of the project, as its file holds it.
ObjectProperties objectProperties(Machine& machine, std::string_view path);

// The fields a type shows besides file, name and type.
struct Fields {
    bool caption = false;  // dialogs
    bool placing = false;  // position and the four numbers: dialogs and cue cards
    bool border = false;   // cue cards
};
Fields fieldsFor(int type);

// Accepting the dialog for the object in `slot` (0-based), or a new one when
// there is none: a refusal names the field at fault in its key ("NAME",
// "FILE"), and nothing is changed then. On success the path carries the
// type's extension, the file exists with the definition written, the project
// lists it and is marked changed.
authoring::Check acceptObject(authoring::Project& project, ObjectProperties& object, std::optional<std::size_t> slot);

// The preview script of an object: the header lines, the default backdrop's
// creation lines for an object that is not a backdrop, the object's own, the
// display line and, for a backdrop or a cue card, the closing message box.
// CR LF line ends. 10024 when an object file cannot be read.
struct Preview {
    std::string script;
    std::optional<authoring::Refusal> refused;
};
Preview previewScript(Machine& machine, const authoring::ProjectData& p, std::string_view objectPath,
                      std::string_view defaultBackdropPath);

} // namespace zrv::workbench
