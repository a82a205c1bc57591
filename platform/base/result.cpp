#include "platform/base/result.h"

namespace zrv {

const char* winErrorName(WinError code) {
    switch (code) {
    case WinError::Success: return "success";
    case WinError::FileNotFound: return "file not found";
    case WinError::PathNotFound: return "path not found";
    case WinError::AccessDenied: return "access denied";
    case WinError::InvalidDrive: return "invalid drive";
    case WinError::NotSameDevice: return "not the same drive";
    case WinError::WriteProtect: return "write-protected";
    case WinError::SharingViolation: return "sharing violation";
    case WinError::NotSupported: return "not supported";
    case WinError::FileExists: return "file exists";
    case WinError::InvalidParameter: return "invalid parameter";
    case WinError::DiskFull: return "disk full";
    case WinError::InvalidName: return "invalid name";
    case WinError::DirNotEmpty: return "directory not empty";
    case WinError::AlreadyExists: return "already exists";
    case WinError::FilenameTooLong: return "name too long";
    case WinError::IoDevice: return "I/O error";
    case WinError::BadFormat: return "bad format";
    case WinError::InvalidDirectory: return "not a directory";
    }
    return "error";
}

std::string Error::describe() const {
    if (!message.empty())
        return message;
    return winErrorName(code);
}

} // namespace zrv
