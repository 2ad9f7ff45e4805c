#include "db/recovery.h"

#include <mutex>
#include <string_view>

#include "db/read_only_opening.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kErrorUnavailable[] = u"数据库组件不支持抢救";
constexpr char16_t kErrorLibrary[] = u"无法加载数据库组件";

// Owner of a recovery handle; finishing it releases it, whatever happened.
class RecoveryHandle {
public:
    RecoveryHandle(const RecoveryEntryPoints& entryPoints, sqlite3_recover* handle) : entryPoints(entryPoints), handle(handle) {}
    RecoveryHandle(const RecoveryHandle&) = delete;
    RecoveryHandle& operator=(const RecoveryHandle&) = delete;
    ~RecoveryHandle() { (void)finish(); }
    sqlite3_recover* get() const { return handle; }
    // Releases the handle; SQLite's result of the whole recovery.
    int finish() {
        const int result = handle ? entryPoints.finish(handle) : SQLITE_MISUSE;
        handle = nullptr;
        return result;
    }

private:
    const RecoveryEntryPoints& entryPoints;
    sqlite3_recover* handle;
};

// The rows the recovery writes, table by table. SQLite's recovery opens its output connection
// itself; an automatic extension, registered for the length of one recovery, puts an update hook on
// that connection, which it knows by its file's name.
class RowWatch {
public:
    RowWatch(const RecoveryEntryPoints& entryPoints, std::string outputName, const RowWritten& rowWritten)
        : entryPoints(entryPoints), outputName(std::move(outputName)), rowWritten(rowWritten) {
        const std::lock_guard<std::mutex> guard(watching);
        active = this;
        (void)entryPoints.autoExtension(reinterpret_cast<void (*)()>(&onOpen));
    }
    RowWatch(const RowWatch&) = delete;
    RowWatch& operator=(const RowWatch&) = delete;
    ~RowWatch() {
        const std::lock_guard<std::mutex> guard(watching);
        // The program registers no other automatic extension; resetting the list also frees it,
        // which cancelling the one entry would leave allocated in a library that may be unloaded.
        entryPoints.resetAutoExtensions();
        active = nullptr;
    }

private:
    // Called by SQLite for every connection opened meanwhile, on the thread that opens it.
    static int onOpen(sqlite3* connection, char**, const sqlite3_api_routines*) {
        const std::lock_guard<std::mutex> guard(watching);
        if (!active) return SQLITE_OK;
        const char* file = active->entryPoints.databaseFileName(connection, "main");
        if (file && std::string_view(file).ends_with(active->outputName)) active->entryPoints.updateHook(connection, &onChange, active);
        return SQLITE_OK;
    }
    static void onChange(void* watch, int operation, const char*, const char* table, sqlite3_int64) {
        if (operation == SQLITE_INSERT) static_cast<RowWatch*>(watch)->count(table);
    }
    void count(const char* written) {
        if (table != written) {
            table = written;
            rows = 0;
        }
        rowWritten(table, ++rows);
    }

    static std::mutex watching;
    static RowWatch* active;   // guarded by watching

    const RecoveryEntryPoints& entryPoints;
    const std::string outputName;
    const RowWritten& rowWritten;
    std::string table;   // the table written last, and its rows so far
    std::int64_t rows = 0;
};

std::mutex RowWatch::watching;
RowWatch* RowWatch::active = nullptr;

}  // namespace

bool RecoveryEntryPoints::bind(const rg_ZiDingYi_sqliteHanShu::SymbolLookup& lookup) {
    RecoveryEntryPoints bound;
    bool complete = true;
    const auto take = [&](const char* name, auto& field) { takeEntryPoint(lookup, name, field, complete); };
    take("sqlite3_recover_init", bound.init);
    take("sqlite3_recover_config", bound.config);
    take("sqlite3_recover_step", bound.step);
    take("sqlite3_recover_errmsg", bound.errorMessage);
    take("sqlite3_recover_errcode", bound.errorCode);
    take("sqlite3_recover_finish", bound.finish);
    take("sqlite3_auto_extension", bound.autoExtension);
    take("sqlite3_reset_auto_extension", bound.resetAutoExtensions);
    take("sqlite3_update_hook", bound.updateHook);
    take("sqlite3_db_filename", bound.databaseFileName);
    *this = complete ? bound : RecoveryEntryPoints{};
    return complete;
}

bool recoverDatabase(const WideString& sourcePath, const WideString& outputPath, const WideString& lostAndFound, const RowWritten& rowWritten,
                     WideString& error) {
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) {
        error = kErrorLibrary;
        return false;
    }
    RecoveryEntryPoints recovery;
    if (!recovery.bind([&library](const char* name) { return library.symbol(name); })) {
        error = kErrorUnavailable;
        return false;
    }
    const ReadOnlyOpening opening = readOnlyOpening(sourcePath, false);
    const Connection source = openOwnConnection(api, opening.name, opening.flags, error);
    if (!source.isOpen()) return false;
    const std::string output = toUtf8(platform::systemPath(outputPath));
    const RowWatch watch(recovery, toUtf8(platform::fileNameOf(outputPath)), rowWritten);
    RecoveryHandle recover(recovery, recovery.init(source.get(), "main", output.c_str()));
    if (!recover.get()) {
        error = fromUtf8(api.errorMessage(source.get()));
        return false;
    }
    // Rows that cannot be placed go to lost_and_found; freelist pages are left alone (they hold
    // deleted rows); rowids are kept. A refused option leaves SQLite's default, which is the same.
    std::string lostAndFoundName = toUtf8(lostAndFound);
    (void)recovery.config(recover.get(), SQLITE_RECOVER_LOST_AND_FOUND, lostAndFoundName.data());
    int off = 0;
    int on = 1;
    (void)recovery.config(recover.get(), SQLITE_RECOVER_FREELIST_CORRUPT, &off);
    (void)recovery.config(recover.get(), SQLITE_RECOVER_ROWIDS, &on);
    // Each step reads one value of one cell; the watch reports the rows as they are written.
    int stepped = SQLITE_OK;
    do stepped = recovery.step(recover.get());
    while (stepped == SQLITE_OK);
    if (recovery.errorCode(recover.get()) != SQLITE_OK) {
        const char* message = recovery.errorMessage(recover.get());
        error = fromUtf8(message ? message : "recovery failed");
        return false;
    }
    if (recover.finish() != SQLITE_OK) {
        error = u"recovery failed";
        return false;
    }
    return true;
}
