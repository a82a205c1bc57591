// The machine's registry: a tree of keys with typed values, kept in one SQLite
// database. Key and value names compare without regard to case and keep the
// case they were created with. Every change commits on its own, so a killed
// process never leaves half a change and several processes can share it.
#pragma once

#include "platform/base/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zrv {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, PerformanceData, CurrentConfig, DynData };

// The numbering setup scripts use: 2 HKEY_CURRENT_USER ... 7 HKEY_DYN_DATA; 1 and
// every other number HKEY_CLASSES_ROOT.
RegRoot regRootFromNumber(int number);
const char* regRootName(RegRoot root);
// Full names and the usual abbreviations (HKLM, HKCU, HKCR, HKU, HKCC, HKDD).
std::optional<RegRoot> regRootFromName(std::string_view name);

namespace RegType {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t DwordBigEndian = 5;
inline constexpr std::uint32_t Link = 6;
inline constexpr std::uint32_t MultiSz = 7;
} // namespace RegType

struct RegValue {
    std::string name; // "" is the key's default value
    std::uint32_t type = RegType::None;
    std::string data; // raw bytes; REG_SZ includes its terminating NUL
};

class Registry {
public:
    // Creates the database when the file is missing; refuses a damaged or foreign
    // file and leaves it as it is.
    static Result<std::unique_ptr<Registry>> open(const std::filesystem::path& file);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    Result<void> createKey(RegRoot root, std::string_view path);
    bool keyExists(RegRoot root, std::string_view path);
    // Subkey names in a stable order (without regard to case); FileNotFound when
    // the key is missing.
    Result<std::vector<std::string>> subkeys(RegRoot root, std::string_view path);
    // The key with all its subkeys and values. An empty path is refused.
    Result<void> deleteKey(RegRoot root, std::string_view path);

    // nullopt when the value is missing; FileNotFound when the key is.
    Result<std::optional<RegValue>> queryValue(RegRoot root, std::string_view path, std::string_view name);
    Result<std::vector<RegValue>> values(RegRoot root, std::string_view path);
    // Creates the key path when needed.
    Result<void> setValue(RegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
                          std::string_view data);
    Result<void> deleteValue(RegRoot root, std::string_view path, std::string_view name);

    // Runs `work` as one transaction: other processes see all of its changes
    // or none, and none of theirs come between its reads and writes. An error
    // from `work` rolls it back.
    Result<void> inTransaction(const std::function<Result<void>()>& work);

    // REGEDIT4 text (code page 1252, CR LF lines) of a key and everything below
    // it, or of the whole registry when no key is given.
    Result<std::string> exportText(std::optional<RegRoot> root = std::nullopt, std::string_view path = {});
    // Merges REGEDIT4 text. Stops at the first malformed line, naming it; what
    // came before it stays merged.
    Result<void> importText(std::string_view text);

private:
    Registry() = default;
    Result<void> initialise();
    Result<std::optional<std::int64_t>> findKey(RegRoot root, std::string_view path);
    // The key's id; FileNotFound when there is no such key.
    Result<std::int64_t> existingKey(RegRoot root, std::string_view path);
    Result<std::int64_t> makeKey(RegRoot root, std::string_view path);
    Result<void> exec(const char* sql);
    sqlite3_stmt* statement(const char* sql);
    Error sqlError(const std::string& what) const;
    void exportKey(std::string& out, std::int64_t id, const std::string& name);

    sqlite3* m_db = nullptr;
    std::filesystem::path m_file;
    bool m_checkWhole = false; // the last run left its log behind
    std::vector<std::pair<const char*, sqlite3_stmt*>> m_statements;
};

// Registry value helpers shared by the tools that read and write .REG text.
std::string regEscape(std::string_view text);

} // namespace zrv
