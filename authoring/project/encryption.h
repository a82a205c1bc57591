// Script encryption: a setup script kept on the disks in the scrambled form
// users cannot read, and back.
#pragma once

#include "common/scripttext.h"

#include <string>
#include <string_view>

namespace zrv {
class Machine;
}

namespace zrv::authoring {

// The substitution, in place; the same routine encrypts and un-encrypts.
inline void encryptLine(std::string& text) { scramble(text); }

enum class Convert { Encrypt, Decrypt };

enum class ConvertStatus {
    Done,
    OpenFailed,       // 10007
    AlreadyEncrypted, // 10008
    AlreadyPlain,     // 10009
    NulByte,          // a NUL has no encrypted form: it would end the line
    WriteFailed,
};
// The message of a status, without the marker that tells an error from a warning.
std::string_view convertMessage(ConvertStatus status);
// The string-table number of a status, 0 for those that have none.
int convertNumber(ConvertStatus status);

// Converts the script at `path` (a Windows path of the machine) and writes it to
// `target` (empty: the file itself), through a temporary file renamed over it,
// with the script's date and time. Lines end in CR LF afterwards. Nothing is
// written unless the whole conversion works.
ConvertStatus convertScript(Machine& machine, std::string_view path, Convert direction,
                            std::string_view target = {});

} // namespace zrv::authoring
