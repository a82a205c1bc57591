// The files a disk set carries besides the project's: the start program, the
// interpreters, the de-install and clean-up programs and the system files a
// project may select. This kit's own are small stand-ins, PE images whose
// version resource names their role; an author may give real ones.
#pragma once

#include <string>
#include <string_view>

namespace zrv::build {

inline constexpr std::string_view kKitVersion = "1.0.0.0";

// A deterministic PE image (a program, or a DLL) whose version resource gives
// `role` as its description, `name` as its original file name and the kit's
// version.
std::string standInImage(std::string_view name, std::string_view role, bool dll);

// The stand-in for a runtime file by its name on the developer's side
// ("SETUP.EXE", "ZRVX32.EXE", "CTL3D32.DLL", "ZRVCMD.PIF", ...); empty for a
// name the kit does not know.
std::string standInFile(std::string_view name);

} // namespace zrv::build
