#include "platform/registry/registry.h"

#include "platform/base/ansi.h"
#include "platform/registry/sql.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

namespace zrv {

namespace {

constexpr int kApplicationId = 0x5A525652; // "ZRVR"
constexpr int kSchemaVersion = 1;
constexpr std::size_t kMaxNameLength = 255;

struct RootInfo {
    RegRoot root;
    const char* name;
    const char* abbreviation;
    const char* base;   // the stored top-level key it lives in
    const char* prefix; // the path below that key, for aliases
    bool writable;
};

// Windows 95 keeps HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_CURRENT_CONFIG
// inside the other trees; only four trees are stored.
constexpr RootInfo kRoots[] = {
    {RegRoot::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes", true},
    {RegRoot::CurrentUser, "HKEY_CURRENT_USER", "HKCU", "HKEY_USERS", ".DEFAULT", true},
    {RegRoot::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM", "HKEY_LOCAL_MACHINE", "", true},
    {RegRoot::Users, "HKEY_USERS", "HKU", "HKEY_USERS", "", true},
    {RegRoot::PerformanceData, "HKEY_PERFORMANCE_DATA", "HKPD", "HKEY_PERFORMANCE_DATA", "", false},
    {RegRoot::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC", "HKEY_LOCAL_MACHINE", "Config\\0001", true},
    {RegRoot::DynData, "HKEY_DYN_DATA", "HKDD", "HKEY_DYN_DATA", "", false},
};

const RootInfo& infoOf(RegRoot root) {
    for (const RootInfo& r : kRoots)
        if (r.root == root)
            return r;
    return kRoots[0];
}

} // namespace

std::vector<std::string> splitKeyPath(std::string_view path) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            out.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string blobText(sqlite3_stmt* st, int col) {
    const void* p = sqlite3_column_blob(st, col);
    int n = sqlite3_column_bytes(st, col);
    return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

namespace {

void bindBlob(sqlite3_stmt* st, int index, std::string_view bytes) {
    // A zero-length blob must still be bound as a blob, not as NULL.
    sqlite3_bind_blob(st, index, bytes.empty() ? "" : bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

// Resets a prepared statement when it goes out of scope.
struct Use {
    sqlite3_stmt* st;
    explicit Use(sqlite3_stmt* s) : st(s) {}
    ~Use() {
        if (st) {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
    }
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless committed; inside a
// transaction already begun, a savepoint of it.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : m_db(db), m_nested(sqlite3_get_autocommit(db) == 0) {
        m_ok = sqlite3_exec(db, m_nested ? "SAVEPOINT inner" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) ==
               SQLITE_OK;
    }
    ~Transaction() {
        if (m_ok && !m_done)
            sqlite3_exec(m_db, m_nested ? "ROLLBACK TO inner; RELEASE inner" : "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool begun() const { return m_ok; }
    bool commit() {
        m_done = sqlite3_exec(m_db, m_nested ? "RELEASE inner" : "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        return m_done;
    }

private:
    sqlite3* m_db;
    bool m_nested;
    bool m_ok = false;
    bool m_done = false;
};

Result<void> checkName(std::string_view name) {
    if (name.size() > kMaxNameLength)
        return fail(WinError::InvalidParameter, "registry name longer than 255 characters");
    return {};
}

} // namespace

RegRoot regRootFromNumber(int number) {
    switch (number) {
    case 2: return RegRoot::CurrentUser;
    case 3: return RegRoot::LocalMachine;
    case 4: return RegRoot::Users;
    case 5: return RegRoot::PerformanceData;
    case 6: return RegRoot::CurrentConfig;
    case 7: return RegRoot::DynData;
    default: return RegRoot::ClassesRoot;
    }
}

const char* regRootName(RegRoot root) { return infoOf(root).name; }

std::optional<RegRoot> regRootFromName(std::string_view name) {
    for (const RootInfo& r : kRoots)
        if (equalNoCase(name, r.name) || equalNoCase(name, r.abbreviation))
            return r.root;
    return std::nullopt;
}

// ---------------------------------------------------------------------------

Registry::~Registry() {
    for (auto& [sql, st] : m_statements)
        sqlite3_finalize(st);
    if (m_db)
        sqlite3_close(m_db);
}

Error Registry::sqlError(const std::string& what) const {
    return fail(WinError::IoDevice, m_file.string() + ": " + what + ": " + (m_db ? sqlite3_errmsg(m_db) : "no database"));
}

sqlite3_stmt* Registry::statement(const char* sql) {
    for (auto& [text, st] : m_statements)
        if (text == sql)
            return st;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        return nullptr;
    m_statements.emplace_back(sql, st);
    return st;
}

Result<void> Registry::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "failed";
        sqlite3_free(message);
        return fail(WinError::IoDevice, m_file.string() + ": " + text);
    }
    return {};
}

Result<void> Registry::inTransaction(const std::function<Result<void>()>& work) {
    Transaction t(m_db);
    if (!t.begun())
        return sqlError("begin");
    ZRV_TRY(work());
    if (!t.commit())
        return sqlError("commit");
    return {};
}

Result<std::unique_ptr<Registry>> Registry::open(const std::filesystem::path& file) {
    std::unique_ptr<Registry> r(new Registry());
    r->m_file = file;
    // The last connection to close removes the write-ahead log, so one left
    // behind means a run that did not finish (or one still running): only
    // then is the whole file checked, which costs time in its size.
    std::error_code ec;
    r->m_checkWhole = std::filesystem::exists(file.string() + "-wal", ec) || ec;
    if (sqlite3_open_v2(file.c_str(), &r->m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return r->sqlError("cannot open the registry");
    sqlite3_busy_timeout(r->m_db, 10000);
    if (auto init = r->initialise(); !init)
        return init.error();
    return r;
}

Result<void> Registry::initialise() {
    // Look before writing anything: a file that is not our database stays untouched.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA application_id", -1, &st, nullptr) != SQLITE_OK)
        return fail(WinError::BadFormat, m_file.string() + " is damaged or not a registry database: " + sqlite3_errmsg(m_db));
    int rc = sqlite3_step(st);
    int appId = rc == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW)
        return fail(WinError::BadFormat, m_file.string() + " is damaged or not a registry database: " + sqlite3_errmsg(m_db));
    int tables = 0;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr) == SQLITE_OK) {
        if (sqlite3_step(st) == SQLITE_ROW)
            tables = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    if (appId != kApplicationId && tables > 0)
        return fail(WinError::BadFormat, m_file.string() + " is a database of another program, not a registry");
    if (appId == kApplicationId && m_checkWhole) {
        if (sqlite3_prepare_v2(m_db, "PRAGMA quick_check", -1, &st, nullptr) != SQLITE_OK)
            return fail(WinError::BadFormat, m_file.string() + " is damaged: " + sqlite3_errmsg(m_db));
        std::string verdict = sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "unreadable";
        sqlite3_finalize(st);
        if (verdict != "ok")
            return fail(WinError::BadFormat, m_file.string() + " is damaged: " + verdict);
    }
    if (auto r = exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"); !r)
        return r;
    if (appId == kApplicationId)
        return {};
    Transaction t(m_db);
    if (!t.begun())
        return sqlError("cannot create the registry");
    std::string schema =
        "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name BLOB NOT NULL, folded BLOB NOT NULL);"
        "CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);"
        "CREATE TABLE vals(key INTEGER NOT NULL, name BLOB NOT NULL, folded BLOB NOT NULL, type INTEGER NOT NULL,"
        " data BLOB NOT NULL, PRIMARY KEY(key, folded)) WITHOUT ROWID;"
        "PRAGMA application_id=" + std::to_string(kApplicationId) + ";"
        "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
    for (const char* top : {"HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"})
        schema += std::string("INSERT INTO keys(parent, name, folded) VALUES(0, CAST('") + top + "' AS BLOB), CAST('" +
                  top + "' AS BLOB));";
    if (auto r = exec(schema.c_str()); !r)
        return r;
    if (!t.commit())
        return sqlError("cannot create the registry");
    return {};
}

Result<std::int64_t> Registry::existingKey(RegRoot root, std::string_view path) {
    ZRV_TRY_ASSIGN(auto id, findKey(root, path));
    if (!id)
        return fail(WinError::FileNotFound, "no such key");
    return *id;
}

Result<std::optional<std::int64_t>> Registry::findKey(RegRoot root, std::string_view path) {
    const RootInfo& info = infoOf(root);
    sqlite3_stmt* st = statement("SELECT id FROM keys WHERE parent=?1 AND folded=?2");
    if (!st)
        return sqlError("query");
    std::int64_t id = 0;
    std::vector<std::string> parts = splitKeyPath(info.base);
    for (auto& p : splitKeyPath(info.prefix))
        parts.push_back(std::move(p));
    for (auto& p : splitKeyPath(path))
        parts.push_back(std::move(p));
    for (const std::string& part : parts) {
        Use use(st);
        sqlite3_bind_int64(st, 1, id);
        bindBlob(st, 2, upperAnsi(part));
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            return std::optional<std::int64_t>();
        if (rc != SQLITE_ROW)
            return sqlError("query");
        id = sqlite3_column_int64(st, 0);
    }
    return std::optional<std::int64_t>(id);
}

Result<std::int64_t> Registry::makeKey(RegRoot root, std::string_view path) {
    const RootInfo& info = infoOf(root);
    if (!info.writable)
        return fail(WinError::AccessDenied, std::string(info.name) + " cannot be written");
    std::vector<std::string> parts = splitKeyPath(info.base);
    for (auto& p : splitKeyPath(info.prefix))
        parts.push_back(std::move(p));
    for (auto& p : splitKeyPath(path)) {
        if (auto c = checkName(p); !c)
            return c.error();
        parts.push_back(std::move(p));
    }
    sqlite3_stmt* find = statement("SELECT id FROM keys WHERE parent=?1 AND folded=?2");
    sqlite3_stmt* insert = statement("INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
    if (!find || !insert)
        return sqlError("query");
    std::int64_t id = 0;
    for (const std::string& part : parts) {
        std::string folded = upperAnsi(part);
        {
            Use use(find);
            sqlite3_bind_int64(find, 1, id);
            bindBlob(find, 2, folded);
            int rc = sqlite3_step(find);
            if (rc == SQLITE_ROW) {
                id = sqlite3_column_int64(find, 0);
                continue;
            }
            if (rc != SQLITE_DONE)
                return sqlError("query");
        }
        Use use(insert);
        sqlite3_bind_int64(insert, 1, id);
        bindBlob(insert, 2, part);
        bindBlob(insert, 3, folded);
        if (sqlite3_step(insert) != SQLITE_DONE)
            return sqlError("create key");
        id = sqlite3_last_insert_rowid(m_db);
    }
    return id;
}

Result<void> Registry::createKey(RegRoot root, std::string_view path) {
    Transaction t(m_db);
    if (!t.begun())
        return sqlError("begin");
    auto id = makeKey(root, path);
    if (!id)
        return id.error();
    if (!t.commit())
        return sqlError("commit");
    return {};
}

bool Registry::keyExists(RegRoot root, std::string_view path) {
    auto id = findKey(root, path);
    return id && id->has_value();
}

Result<std::vector<std::string>> Registry::subkeys(RegRoot root, std::string_view path) {
    ZRV_TRY_ASSIGN(const std::int64_t id, existingKey(root, path));
    sqlite3_stmt* st = statement("SELECT name FROM keys WHERE parent=?1 ORDER BY folded, name");
    if (!st)
        return sqlError("query");
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    std::vector<std::string> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out.push_back(blobText(st, 0));
    if (rc != SQLITE_DONE)
        return sqlError("query");
    return out;
}

Result<void> Registry::deleteKey(RegRoot root, std::string_view path) {
    if (splitKeyPath(path).empty())
        return fail(WinError::InvalidParameter, "a root key cannot be deleted");
    if (!infoOf(root).writable)
        return fail(WinError::AccessDenied, std::string(regRootName(root)) + " cannot be written");
    Transaction t(m_db);
    if (!t.begun())
        return sqlError("begin");
    ZRV_TRY_ASSIGN(const std::int64_t id, existingKey(root, path));
    static const char* kTree = "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN tree ON k.parent = tree.id)";
    std::string delValues = std::string(kTree) + " DELETE FROM vals WHERE key IN (SELECT id FROM tree)";
    std::string delKeys = std::string(kTree) + " DELETE FROM keys WHERE id IN (SELECT id FROM tree)";
    for (const std::string& sql : {delValues, delKeys}) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            return sqlError("delete key");
        sqlite3_bind_int64(st, 1, id);
        int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return sqlError("delete key");
    }
    if (!t.commit())
        return sqlError("commit");
    return {};
}

Result<std::optional<RegValue>> Registry::queryValue(RegRoot root, std::string_view path, std::string_view name) {
    ZRV_TRY_ASSIGN(const std::int64_t id, existingKey(root, path));
    sqlite3_stmt* st = statement("SELECT name, type, data FROM vals WHERE key=?1 AND folded=?2");
    if (!st)
        return sqlError("query");
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    bindBlob(st, 2, upperAnsi(name));
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return std::optional<RegValue>();
    if (rc != SQLITE_ROW)
        return sqlError("query");
    RegValue v{blobText(st, 0), static_cast<std::uint32_t>(sqlite3_column_int64(st, 1)), blobText(st, 2)};
    return std::optional<RegValue>(std::move(v));
}

Result<std::vector<RegValue>> Registry::values(RegRoot root, std::string_view path) {
    ZRV_TRY_ASSIGN(const std::int64_t id, existingKey(root, path));
    sqlite3_stmt* st = statement("SELECT name, type, data FROM vals WHERE key=?1 ORDER BY folded, name");
    if (!st)
        return sqlError("query");
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    std::vector<RegValue> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out.push_back({blobText(st, 0), static_cast<std::uint32_t>(sqlite3_column_int64(st, 1)), blobText(st, 2)});
    if (rc != SQLITE_DONE)
        return sqlError("query");
    return out;
}

Result<void> Registry::setValue(RegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
                                std::string_view data) {
    if (auto c = checkName(name); !c)
        return c;
    if (data.size() > kMaxValueBytes)
        return fail(WinError::InvalidParameter, "registry value larger than 1 MB");
    Transaction t(m_db);
    if (!t.begun())
        return sqlError("begin");
    auto id = makeKey(root, path);
    if (!id)
        return id.error();
    sqlite3_stmt* st = statement(
        "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, data=excluded.data");
    if (!st)
        return sqlError("query");
    {
        Use use(st);
        sqlite3_bind_int64(st, 1, *id);
        bindBlob(st, 2, name);
        bindBlob(st, 3, upperAnsi(name));
        sqlite3_bind_int64(st, 4, type);
        bindBlob(st, 5, data);
        if (sqlite3_step(st) != SQLITE_DONE)
            return sqlError("set value");
    }
    if (!t.commit())
        return sqlError("commit");
    return {};
}

Result<void> Registry::deleteValue(RegRoot root, std::string_view path, std::string_view name) {
    if (!infoOf(root).writable)
        return fail(WinError::AccessDenied, std::string(regRootName(root)) + " cannot be written");
    ZRV_TRY_ASSIGN(const std::int64_t id, existingKey(root, path));
    sqlite3_stmt* st = statement("DELETE FROM vals WHERE key=?1 AND folded=?2");
    if (!st)
        return sqlError("query");
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    bindBlob(st, 2, upperAnsi(name));
    if (sqlite3_step(st) != SQLITE_DONE)
        return sqlError("delete value");
    if (sqlite3_changes(m_db) == 0)
        return fail(WinError::FileNotFound, "no such value");
    return {};
}

} // namespace zrv
