#include "authoring/project/encryption.h"

#include "platform/machine/machine.h"

namespace zrv::authoring {

namespace {

const std::string kMarker("\x00\x40\x00\x00", 4); // 0x4000, little-endian

} // namespace

std::string_view convertMessage(ConvertStatus status) {
    switch (status) {
    case ConvertStatus::Done: return "";
    case ConvertStatus::OpenFailed: return "Error: Failed to open the selected file";
    case ConvertStatus::AlreadyEncrypted: return "Warning: The selected script file is already encrypted";
    case ConvertStatus::AlreadyPlain: return "Warning: The selected script file is already un-encrypted";
    case ConvertStatus::NulByte: return "Error: The selected file holds a NUL byte, which has no encrypted form";
    case ConvertStatus::WriteFailed: return "Error: Failed to write the converted file";
    }
    return "";
}

int convertNumber(ConvertStatus status) {
    switch (status) {
    case ConvertStatus::OpenFailed: return 10007;
    case ConvertStatus::AlreadyEncrypted: return 10008;
    case ConvertStatus::AlreadyPlain: return 10009;
    case ConvertStatus::Done:
    case ConvertStatus::NulByte:
    case ConvertStatus::WriteFailed: return 0;
    }
    return 0;
}

ConvertStatus convertScript(Machine& machine, std::string_view path, Convert direction, std::string_view target) {
    const std::string_view out = target.empty() ? path : target;
    // The script is opened for writing too: a file that cannot change fails here.
    auto info = machine.stat(path);
    if (!info || info->isDirectory())
        return ConvertStatus::OpenFailed;
    if (target.empty() && (info->attributes & FileAttribute::ReadOnly))
        return ConvertStatus::OpenFailed;
    auto text = machine.readFile(path);
    if (!text)
        return ConvertStatus::OpenFailed;
    const bool marked = text->compare(0, kMarker.size(), kMarker) == 0 && text->size() >= kMarker.size();
    if (direction == Convert::Encrypt && marked)
        return ConvertStatus::AlreadyEncrypted;
    if (direction == Convert::Decrypt && !marked)
        return ConvertStatus::AlreadyPlain;
    std::string_view body(*text);
    if (marked)
        body.remove_prefix(kMarker.size());
    if (body.find('\0') != std::string_view::npos)
        return ConvertStatus::NulByte;

    // Lines end at LF, a CR before it dropped; a last line without one counts.
    std::string result = direction == Convert::Encrypt ? kMarker : std::string();
    result.reserve(body.size() + body.size() / 16 + kMarker.size());
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        std::string line(body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        encryptLine(line);
        result += line;
        result += "\r\n";
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (!machine.writeFileAtomic(out, result))
        return ConvertStatus::WriteFailed;
    if (!machine.setLastWriteTime(out, info->lastWrite))
        return ConvertStatus::WriteFailed;
    return ConvertStatus::Done;
}

} // namespace zrv::authoring
