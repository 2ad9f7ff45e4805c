// The database object: a thread-safe handle on one SQLite database file. SQLite is bound at run
// time from the data folder; writes go through one main connection under a writer mutex named
// after the file (so writers of other processes are excluded too), reads through a pool of
// reader connections; trouble is reported through the onMessage event.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "base/atomic_integer.h"
#include "base/event_slot.h"
#include "base/text_array.h"
#include "base/wide_string.h"
#include "db/mutexes.h"
#include "db/row_digest.h"
#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "db/typed_page.h"
#include "platform/platform.h"

class rg_MoKuai_class_sqliteShuJuKu;

// A connection lent by the reader pool, given back when the lease goes. The thread that holds the
// writer lock is lent the main connection itself, which leaves the pool and its counters alone.
// A lease must end on the thread that took it, before the database object is closed.
class ReaderLease {
public:
    ReaderLease(ReaderLease&& other) noexcept;
    ReaderLease(const ReaderLease&) = delete;
    ReaderLease& operator=(const ReaderLease&) = delete;
    ReaderLease& operator=(ReaderLease&&) = delete;
    ~ReaderLease();

    // May be null when SQLite could not even allocate a connection; statements then fail to prepare.
    sqlite3* get() const { return isMain ? mainHandle : pooled.get(); }

private:
    friend class rg_MoKuai_class_sqliteShuJuKu;
    ReaderLease(rg_MoKuai_class_sqliteShuJuKu* database, Connection pooled, sqlite3* mainHandle, bool isMain)
        : database(database), pooled(std::move(pooled)), mainHandle(mainHandle), isMain(isMain) {}

    rg_MoKuai_class_sqliteShuJuKu* database;
    Connection pooled;
    sqlite3* mainHandle;
    bool isMain;
};

// How a query went: whether its statement was prepared (a statement that cannot be prepared is
// the program's own fault, never the data's) and whether it ran to its end.
struct QueryOutcome {
    bool prepared = false;
    bool complete = false;
    WideString error;    // what went wrong, when it did not complete
    int errorCode = 0;   // SQLite's primary result code of a failed prepare or step (SQLITE_CORRUPT, ...)
    std::int64_t changedRows = 0;   // rows a completed write statement inserted, changed or deleted
    std::int64_t rowsRead = 0;      // rows execBound stepped through
    explicit operator bool() const { return complete; }
};

// How a connection reads a file shorter than its header says (db/cut_short_file.h): not at all, as
// SQLite refuses it as damaged, or up to the file's end, the pages past it missing, as damage. The
// latter sets SQLite's writable_schema flag on every connection the object opens, which lets a
// statement write schema rows too: nothing that writes through such a connection takes a schema
// text from the file unchecked.
enum class ShortFileReading { refused, upToFileEnd };

// How a database that is being built is set up: the file has no value until it is complete (it is
// deleted on any failure), so it keeps its journal in memory and never waits for the disk.
struct BuildSettings {
    WideString encoding;            // "UTF-8", "UTF-16le" or "UTF-16be": the new file's text encoding
    std::int64_t pageSize = 0;      // the new file's page size; 0 for SQLite's default
    std::optional<std::int64_t> autoVacuum;   // 0 none, 1 full, 2 incremental; absent: SQLite's default
    WideString attachedSource;      // a database attached read-only to the main connection, or empty
    WideString attachedName;        // the schema name it is attached under
    ShortFileReading shortSourceReading = ShortFileReading::refused;   // for the attached source
};

// What the batch writer did: whether its transaction committed, and how many rows it inserted.
struct PageWriteResult {
    bool committed = false;
    std::int64_t insertedRows = 0;
};

class rg_MoKuai_class_sqliteShuJuKu {
public:
    // kind (1 error, 2 slow statement, 3 lock anomaly), label, diagnostic line. Raised on the
    // thread that ran the statement; no operation's result depends on a handler being attached.
    using MessageEvent = EventSlot<rg_MoKuai_class_sqliteShuJuKu, std::int32_t, const WideString&, const WideString&>;

    rg_MoKuai_class_sqliteShuJuKu() = default;
    rg_MoKuai_class_sqliteShuJuKu(const rg_MoKuai_class_sqliteShuJuKu&) = delete;
    rg_MoKuai_class_sqliteShuJuKu& operator=(const rg_MoKuai_class_sqliteShuJuKu&) = delete;
    // Closes every connection, then unloads the library.
    ~rg_MoKuai_class_sqliteShuJuKu();

    // ---- Connecting (connect, close: only while no other thread uses the object) ----------

    // Closes what is open, binds SQLite on the first call (false, and the object stays unbound,
    // when the library cannot be loaded or lacks an entry point), points the object at path,
    // creates the writer mutex (named by writerMutexName) and switches the database to WAL unless
    // it is in that mode. synchronousChoice picks what each opening of the main connection sets:
    // 0 "FULL", 1 "NORMAL", 2 "OFF", clamped to that range. Once bound, the result is whether the
    // writer mutex was obtained; the object is usable either way.
    bool connect(const WideString& path, const std::optional<WideString>& mutexName = std::nullopt,
                 std::int32_t synchronousChoice = 0);
    // Connects as connect does, but every connection opens the file read-only and nothing is ever
    // written to it: its journal mode, header and bytes stay as they are. A file that does not
    // exist is not created. shortFileReading: whether a file shorter than its header says is read
    // up to its end. False when the library cannot be bound or the file cannot be opened.
    bool connectReadOnly(const WideString& path, ShortFileReading shortFileReading = ShortFileReading::refused);
    // Connects as connect does, to a database that is being built: every opening of the main
    // connection sets the encoding, page size and auto-vacuum (effective while the file is still
    // empty), keeps the file locked for itself (no other connection reads it meanwhile: read it
    // through the main connection, under the writer lock), keeps the rollback journal in memory,
    // turns synchronous off, attaches settings.attachedSource read-only, so that statements can
    // copy rows from it inside SQLite, and registers dovrane_fold(), so that they can prove what
    // they copied (row_digest.h). The file stays out of WAL.
    // Connections are opened without SQLite's per-call mutex: the main one is used under the writer
    // lock only, and a lent reader by one thread at a time.
    bool connectForBuilding(const WideString& path, const BuildSettings& settings);
    // Resets the counters and closes every connection; the object stays bound to its file and
    // reopens connections on demand. False when the object is unbound.
    bool close();
    bool isBound() const { return library.isLoaded(); }

    // ---- Writing through the main connection, between lock and unlock on this thread -----------

    // Runs every statement in text; true when SQLite reports success.
    bool execSql(const WideString& statement);
    // BEGIN, every statement (one that fails is reported and skipped), COMMIT, then a passive
    // checkpoint. A failed COMMIT is rolled back and reported. True when the commit succeeded;
    // false without running anything for an empty list.
    bool execBatch(const StringArray& statements);
    // A passive checkpoint of the write-ahead log (skipped when the library lacks the entry point). Always 0.
    std::int32_t walCheckpoint();
    // Runs one statement to its end with parameters bound as queryPage binds them; its rows, if
    // any, are dropped and counted in rowsRead (how many rows a query gives before damage stops
    // it). A statement that fails part way is rolled back by SQLite (all of it). changedRows tells
    // how many rows it wrote. With a digest, the statement's last placeholder takes it, for the
    // dovrane_fold() calls of a database being built (row_digest.h).
    QueryOutcome execBound(const WideString& statement, std::span<const TypedValue> parameters = {}, RowDigest* digest = nullptr);

    // ---- Text queries through a reader connection ---------------------------------------------

    // "SELECT COUNT(*) FROM " + table [+ " WHERE " + condition], the texts verbatim. 0 on failure.
    std::int32_t queryCount(const WideString& table, const WideString& condition);
    // Empties rows (even when unbound), then adds one row of columnCount texts (columnText) per
    // result row. Rows end at the first step that gives no row, an error included, silently.
    // Returns the number of rows.
    std::int32_t queryArray(std::int32_t columnCount, const WideString& statement, std::vector<rg_WenBenShuZuLei>& rows);
    // Reads the first row: column 0 into first, then columns 1, 2, ... into the outputs of more in
    // order, stopping at the first null entry (at most 14 are used). True when a row was read;
    // otherwise those outputs are emptied. Unbound: false, outputs untouched.
    bool queryField(const WideString& statement, WideString& first, std::initializer_list<WideString*> more = {});
    // The column's UTF-8 text up to its first zero byte, as UTF-16; NULL gives empty text.
    WideString columnText(sqlite3_stmt* statement, std::int32_t column) const;

    // ---- The exact copy path -------------------------------------------------------------------

    // Runs a SELECT through a reader connection, with parameters bound to its placeholders in
    // order (exactly as many as it has), and puts its rows, with every value's storage class and
    // exact content, into page (emptied first; its column count becomes the statement's).
    // Complete only when the statement ran to its end; a statement that cannot be prepared (or
    // whose placeholders differ in number from parameters) or a step that fails (SQLITE_CORRUPT,
    // ...) raises a diagnostic with the error text, and page then holds only the rows read before
    // the failure.
    QueryOutcome queryPage(const WideString& statement, TypedPage& page, std::span<const TypedValue> parameters = {});
    // Runs a SELECT as queryPage does, but hands its rows to onRow one at a time (a page of one
    // row, valid during the call) instead of keeping them: a scan of any size in flat memory.
    // onRow returns false to stop, which counts as complete.
    QueryOutcome queryEachRow(const WideString& statement, std::span<const TypedValue> parameters,
                              const std::function<bool(const TypedPage& row)>& onRow);
    // The first column of the first row of a statement as a 64-bit integer (a NULL reads as 0),
    // or nothing when the statement cannot be prepared, fails or gives no row (each with a
    // diagnostic), so that a failed COUNT(*) is never taken for 0. Parameters and digest as for
    // queryPage and execBound.
    std::optional<std::int64_t> queryInteger(const WideString& statement, std::span<const TypedValue> parameters = {},
                                             RowDigest* digest = nullptr);
    // Inserts the rows of page through one prepared statement (statement: an INSERT with one ?
    // per column of the page), each value bound as it is, in one transaction followed by a
    // passive checkpoint, like execBatch. A row that fails is reported and skipped; should SQLite
    // roll the whole transaction back after a failure, the write stops there and counts as not
    // committed. A statement that cannot be prepared, or whose placeholders differ in number from
    // the page's columns, writes nothing. An empty page runs nothing and counts as committed.
    // Call it between lock and unlock, as execBatch.
    PageWriteResult insertPage(const WideString& statement, const TypedPage& page);

    // ---- Writer lock and reader pool ------------------------------------------------------------

    // Takes the writer mutex (waiting without limit; recursive for this thread), counts the
    // depth, and opens the main connection if it is closed, running the statements its kind of
    // connection needs on it (the synchronous choice; for a database being built, its settings and
    // attachment). False when unbound, or when the main connection cannot be opened or prepared;
    // the lock is held anyway. Every lock is followed by an unlock on the same thread, whatever lock returned.
    // alreadyLocked 1 does nothing and gives true.
    bool lock(std::int32_t alreadyLocked);
    // Gives one hold back. The 8000th outermost unlock since the connection was opened closes
    // the main connection, so that the next lock opens it afresh. False when unbound.
    bool unlock(std::int32_t alreadyLocked);
    // Lends a reader connection: waits, dispatching this thread's window messages, while 50 or
    // more are lent; the thread that holds the writer lock gets the main connection. The pool is
    // last in, first out, and shrinks by one connection per borrow when it is larger than the
    // demand, and on the 8001st borrow since it last shrank.
    ReaderLease acquireReader();

    // Raises a slow-statement diagnostic when more than 1000 ms passed since startTick, and with
    // lockChecking 1 a lock-anomaly diagnostic when the lock depth is outside 1 to 5.
    void checkStatement(std::uint32_t startTick, const WideString& statement, std::int32_t lockChecking);
    // Raises onMessage on this thread; the handler's result, or 0 without a handler.
    int raiseMessage(std::int32_t kind, const WideString& label, const WideString& message);
    // The error text (SQLite's own where it gave one, such as "database or disk is full") of the
    // most recent error diagnostic, from any thread; empty when there was none since connecting.
    WideString lastError() const;

    // ---- Counters, for observation -------------------------------------------------------------

    std::int32_t lockDepth() const { return lockDepthCount.load(); }
    std::int32_t ownerThread() const { return ownerThreadId.load(); }
    std::int32_t activeReaders() const { return activeReaderCount.load(); }
    // Outermost unlocks since the main connection was last recycled; read it on a thread that
    // holds the lock, or while no other thread uses the object.
    std::int32_t unlockCount() const { return outermostUnlocks; }
    std::int32_t borrowCount();
    std::int32_t idleReaders();

    MessageEvent onMessage;

private:
    friend class ReaderLease;
    // Loads and binds SQLite once; false when the library is missing or lacks an entry point.
    bool bindLibrary();
    void releaseReader(ReaderLease& lease);
    // Runs statement on connection, or on a lent reader connection (reader_statement.h).
    template <typename Step>
    QueryOutcome runPrepared(sqlite3* connection, const WideString& statement, std::span<const TypedValue> parameters, RowDigest* digest,
                             Step step);
    template <typename Step>
    QueryOutcome onReader(const WideString& statement, std::span<const TypedValue> parameters, RowDigest* digest, Step step);
    // After a query: a failure is reported with label and the outcome's error text; a success has
    // its time checked.
    void finishQuery(const char16_t* label, const WideString& statement, std::uint32_t start, const QueryOutcome& outcome);
    // A prepared statement on connection, empty when preparing failed.
    Statement prepare(sqlite3* connection, const ByteBuffer& text) const;
    // SQLite's last error text on connection, as UTF-16; "查询失败" when there is no connection.
    WideString errorText(sqlite3* connection) const;
    // COMMIT; on success a passive checkpoint, on failure ROLLBACK and the batch diagnostic.
    bool commitBatch();
    bool bindRow(sqlite3_stmt* statement, const TypedPage& page, std::int64_t row) const;
    // False when the statement's placeholders differ in number from parameters (and the digest,
    // bound last when there is one), or binding fails.
    bool bindParameters(sqlite3_stmt* statement, std::span<const TypedValue> parameters, RowDigest* digest) const;
    bool bindValue(sqlite3_stmt* statement, int parameter, const TypedValue& value) const;
    // An error diagnostic for statement, whose error text is kept for lastError.
    void reportError(const WideString& label, const WideString& statement, const WideString& error);
    // Opens one connection to the file with openFlags, with the busy timeout set; the handle
    // SQLite stored, null only when it could not allocate one. opened tells whether it succeeded.
    Connection openConnection(bool& opened) const;
    void readRow(sqlite3_stmt* statement, TypedPage& page) const;

    // Runs the statements every opening of the main connection needs; false when one fails.
    bool prepareMainConnection();

    ByteBuffer path;                 // the name SQLite opens: sqliteFileName's, or a URI
    platform::Library library;
    StringArray openingStatements;   // run on every opening of the main connection
    ByteBuffer attachedUri;          // attached on every opening of the main connection, when not empty
    WideString attachedName;
    bool foldsRows = false;          // dovrane_fold() is registered on every opening of the main connection
    ShortFileReading shortFileReading = ShortFileReading::refused;   // set on every connection opened
    std::int32_t recycleThreshold = 0;
    std::uint32_t openFlags = 0;
    rg_ZiDingYi_sqliteHanShu api;
    rg_MoKuai_class_HuChiSuo_KuaJinCheng writerMutex;
    rg_MoKuai_class_HuChiSuo_ChanJinCheng readerMutex;
    Connection mainConnection;
    rg_YuanZiZhengShuLei lockDepthCount;
    std::int32_t outermostUnlocks = 0;
    rg_YuanZiZhengShuLei ownerThreadId;
    std::vector<Connection> readerPool;   // guarded by readerMutex, as borrows is
    rg_YuanZiZhengShuLei activeReaderCount;
    std::int32_t borrows = 0;
    mutable std::mutex lastErrorLock;
    WideString lastErrorText;   // guarded by lastErrorLock
};

// Holds a database object's writer lock for one scope.
class WriterLock {
public:
    explicit WriterLock(rg_MoKuai_class_sqliteShuJuKu& database) : database(database) { (void)database.lock(0); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock() { (void)database.unlock(0); }

private:
    rg_MoKuai_class_sqliteShuJuKu& database;
};
