// Binding SQLite, connecting the database object to a file, and closing it.
#include <algorithm>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/diagnostic_texts.h"
#include "db/read_only_opening.h"
#include "db/writer_mutex_name.h"

namespace {

// What "PRAGMA synchronous = " is followed by, chosen by connect's synchronousChoice.
constexpr const char16_t* kSynchronousChoices[] = {u"FULL", u"NORMAL", u"OFF"};
constexpr std::int32_t kRecycleThreshold = 8000;
constexpr std::uint32_t kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;


}  // namespace

rg_MoKuai_class_sqliteShuJuKu::~rg_MoKuai_class_sqliteShuJuKu() {
    (void)close();   // unbound objects have nothing to close
    library = platform::Library{};
}

bool rg_MoKuai_class_sqliteShuJuKu::bindLibrary() {
    return isBound() || loadSqliteLibrary(library, api);
}

bool rg_MoKuai_class_sqliteShuJuKu::connect(const WideString& newPath, const std::optional<WideString>& mutexName,
                                            std::int32_t synchronousChoice) {
    (void)close();   // false only when still unbound, which the next step deals with
    if (!bindLibrary()) return false;
    path = sqliteFileName(newPath);
    const bool hasWriterMutex = writerMutex.create(writerMutexName(utf8WithZero(newPath), mutexName));
    openingStatements = {u"PRAGMA synchronous = " + WideString(kSynchronousChoices[std::clamp(synchronousChoice, 0, 2)])};
    attachedUri.clear();
    foldsRows = false;
    shortFileReading = ShortFileReading::refused;
    openFlags = kOpenFlags;
    recycleThreshold = kRecycleThreshold;

    // A failed query leaves the text empty, which reads as "not WAL" and tries the switch.
    WideString journalMode;
    (void)queryField(u"PRAGMA journal_mode", journalMode);
    if (asciiLower(journalMode) != u"wal") {
        (void)lock(0);   // a connection that cannot be opened is reported by lock and execSql
        (void)execSql(u"PRAGMA journal_mode=WAL");
        (void)unlock(0);
    }
    return hasWriterMutex;
}

bool rg_MoKuai_class_sqliteShuJuKu::connectReadOnly(const WideString& newPath, ShortFileReading newShortFileReading) {
    (void)close();
    if (!bindLibrary()) return false;
    (void)writerMutex.create(writerMutexName(utf8WithZero(newPath), std::nullopt));   // lock() serves reads here, which need no mutex
    const ReadOnlyOpening opening = readOnlyOpening(newPath, false);
    path = opening.name;
    openingStatements.clear();
    attachedUri.clear();
    foldsRows = false;
    shortFileReading = newShortFileReading;
    openFlags = opening.flags | SQLITE_OPEN_NOMUTEX;   // a lent reader serves one thread at a time
    recycleThreshold = kRecycleThreshold;
    bool opened = false;
    const Connection probe = openConnection(opened);
    return opened;
}

bool rg_MoKuai_class_sqliteShuJuKu::connectForBuilding(const WideString& newPath, const BuildSettings& settings) {
    (void)close();
    if (!bindLibrary()) return false;
    path = sqliteFileName(newPath);
    const bool hasWriterMutex = writerMutex.create(writerMutexName(utf8WithZero(newPath), std::nullopt));
    openingStatements.clear();
    if (!settings.encoding.empty()) openingStatements.push_back(u"PRAGMA encoding = '" + settings.encoding + u"'");
    if (settings.pageSize > 0) openingStatements.push_back(u"PRAGMA page_size = " + decimalText(settings.pageSize));
    if (settings.autoVacuum) openingStatements.push_back(u"PRAGMA auto_vacuum = " + decimalText(*settings.autoVacuum));
    openingStatements.push_back(u"PRAGMA main.locking_mode = EXCLUSIVE");
    openingStatements.push_back(u"PRAGMA journal_mode = MEMORY");
    openingStatements.push_back(u"PRAGMA synchronous = OFF");
    attachedUri = settings.attachedSource.empty() ? ByteBuffer() : readOnlyOpening(settings.attachedSource, true).name;
    attachedName = settings.attachedName;
    foldsRows = true;
    shortFileReading = settings.shortSourceReading;
    openFlags = kOpenFlags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    recycleThreshold = kRecycleThreshold;
    return hasWriterMutex;
}

bool rg_MoKuai_class_sqliteShuJuKu::prepareMainConnection() {
    bool prepared = true;
    for (const WideString& statement : openingStatements) prepared = execSql(statement) && prepared;   // each reported by execSql
    if (foldsRows && !registerRowFold(api, mainConnection.get())) {
        reportError(kLabelExecSql, asciiText(kRowFoldFunction), errorText(mainConnection.get()));
        prepared = false;
    }
    if (attachedUri.empty()) return prepared;
    const std::string_view uri(reinterpret_cast<const char*>(attachedUri.data()), attachedUri.size() - 1);
    const TypedValue source[] = {textValue(uri)};
    return execBound(u"ATTACH DATABASE ?1 AS " + attachedName, source).complete && prepared;
}

Connection rg_MoKuai_class_sqliteShuJuKu::openConnection(bool& opened) const {
    sqlite3* handle = nullptr;
    opened = api.openV2(reinterpret_cast<const char*>(path.data()), &handle, static_cast<int>(openFlags),
                        platform::kSqliteVfs) == SQLITE_OK;
    if (opened) (void)api.busyTimeout(handle, kBusyTimeoutMs);
    // Refused, the flag stays off and the file's b-trees read as damaged, as they would without it.
    if (opened && shortFileReading == ShortFileReading::upToFileEnd) (void)api.dbConfig(handle, SQLITE_DBCONFIG_WRITABLE_SCHEMA, 1, nullptr);
    // Whatever handle SQLite stored is kept (and closed by the owner), even after a failed open.
    return Connection(handle, api.close);
}

void rg_MoKuai_class_sqliteShuJuKu::reportError(const WideString& label, const WideString& statement, const WideString& error) {
    {
        const std::lock_guard<std::mutex> guard(lastErrorLock);
        lastErrorText = error;
    }
    raiseMessage(kMessageError, label, diagnosticLine(statement, error));
}

WideString rg_MoKuai_class_sqliteShuJuKu::lastError() const {
    const std::lock_guard<std::mutex> guard(lastErrorLock);
    return lastErrorText;
}

bool rg_MoKuai_class_sqliteShuJuKu::close() {
    {
        const std::lock_guard<std::mutex> guard(lastErrorLock);
        lastErrorText.clear();
    }
    borrows = 0;
    outermostUnlocks = 0;
    lockDepthCount.exchange(0);
    activeReaderCount.exchange(0);
    if (!isBound()) return false;
    mainConnection.reset();
    while (!readerPool.empty()) readerPool.pop_back();   // most recent first, as a stack
    return true;
}
