// Errors as values. Platform calls report Win32 error numbers, so callers above
// the platform see the same outcomes a Windows implementation would give them.
#pragma once

#include <cassert>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace zrv {

enum class WinError : std::uint32_t {
    Success = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InvalidDrive = 15,
    NotSameDevice = 17,
    WriteProtect = 19,
    SharingViolation = 32,
    NotSupported = 50,
    FileExists = 80,
    InvalidParameter = 87,
    DiskFull = 112,
    InvalidName = 123,
    DirNotEmpty = 145,
    AlreadyExists = 183,
    FilenameTooLong = 206,
    IoDevice = 1117,
    BadFormat = 11,
    InvalidDirectory = 267,
};

struct Error {
    WinError code = WinError::Success;
    std::string message;

    static Error make(WinError code, std::string message = {}) { return Error{code, std::move(message)}; }
    // A short description for people: the message, else the code's name.
    std::string describe() const;
};

const char* winErrorName(WinError code);

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_value(std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(m_value);
    }
    const T& value() const& {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(m_value);
    }
    // By value, so `for (auto& x : *f())` never refers into a destroyed temporary.
    T value() && {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(std::move(m_value));
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T operator*() && { return std::move(*this).value(); }

    const Error& error() const {
        assert(!ok() && "error() of a successful Result");
        return std::get<1>(m_value);
    }
    WinError code() const { return ok() ? WinError::Success : error().code; }

private:
    std::variant<T, Error> m_value;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const {
        assert(m_failed && "error() of a successful Result");
        return m_error;
    }
    WinError code() const { return m_failed ? m_error.code : WinError::Success; }

private:
    Error m_error;
    bool m_failed = false;
};

inline Error fail(WinError code, std::string message = {}) { return Error::make(code, std::move(message)); }

// Propagation: a failed Result returns its error from the calling function.
//   ZRV_TRY(files.deleteFile(path));               for any Result
//   ZRV_TRY_ASSIGN(auto text, files.readFile(path)); declares `text` with the value
#define ZRV_TRY(expr)                                                                                             \
    do {                                                                                                          \
        if (auto zrvTried = (expr); !zrvTried)                                                                    \
            return zrvTried.error();                                                                              \
    } while (0)
#define ZRV_TRY_CONCAT_(a, b) a##b
#define ZRV_TRY_CONCAT(a, b) ZRV_TRY_CONCAT_(a, b)
#define ZRV_TRY_ASSIGN(decl, expr) ZRV_TRY_ASSIGN_(ZRV_TRY_CONCAT(zrvTried, __LINE__), decl, expr)
#define ZRV_TRY_ASSIGN_(tmp, decl, expr)                                                                          \
    auto tmp = (expr);                                                                                            \
    if (!tmp)                                                                                                     \
        return tmp.error();                                                                                       \
    decl = std::move(*tmp)

} // namespace zrv
