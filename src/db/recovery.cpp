#include "db/recovery.h"

#include "db/read_only_opening.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kErrorUnavailable[] = u"数据库组件不支持抢救";
constexpr char16_t kErrorLibrary[] = u"无法加载数据库组件";
constexpr char kLostAndFound[] = "lost_and_found";
constexpr std::int64_t kStepsPerReport = 1000;

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
    *this = complete ? bound : RecoveryEntryPoints{};
    return complete;
}

bool recoverDatabase(const WideString& sourcePath, const WideString& outputPath, const std::function<void(std::int64_t)>& progress,
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
    RecoveryHandle recover(recovery, recovery.init(source.get(), "main", output.c_str()));
    if (!recover.get()) {
        error = fromUtf8(api.errorMessage(source.get()));
        return false;
    }
    // Rows that cannot be placed go to lost_and_found; freelist pages are left alone (they hold
    // deleted rows); rowids are kept. A refused option leaves SQLite's default, which is the same.
    (void)recovery.config(recover.get(), SQLITE_RECOVER_LOST_AND_FOUND, const_cast<char*>(kLostAndFound));
    int off = 0;
    int on = 1;
    (void)recovery.config(recover.get(), SQLITE_RECOVER_FREELIST_CORRUPT, &off);
    (void)recovery.config(recover.get(), SQLITE_RECOVER_ROWIDS, &on);
    std::int64_t steps = 0;
    while (recovery.step(recover.get()) == SQLITE_OK)
        if (++steps % kStepsPerReport == 0) progress(steps);
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
