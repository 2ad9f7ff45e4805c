// Binding SQLite, connecting the database object to a file, and closing it.
#include <algorithm>

#include "db/database.h"
#include "db/writer_mutex_name.h"

namespace {

// What "PRAGMA synchronous = " is followed by, chosen by connect's synchronousChoice.
constexpr const char16_t* kSynchronousChoices[] = {u"FULL", u"NORMAL", u"OFF"};
constexpr std::int32_t kRecycleThreshold = 8000;
constexpr std::uint32_t kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

WideString asciiUpper(WideString text) {
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

}  // namespace

rg_MoKuai_class_sqliteShuJuKu::~rg_MoKuai_class_sqliteShuJuKu() {
    (void)close();   // unbound objects have nothing to close
    library = platform::Library{};
}

bool rg_MoKuai_class_sqliteShuJuKu::connect(const WideString& newPath, const std::optional<WideString>& mutexName,
                                            std::int32_t synchronousChoice) {
    (void)close();   // false only when still unbound, which the next step deals with
    if (!isBound()) {
        platform::Library loaded = platform::Library::load(WideString(u"static-sqlite3-third") + platform::kLibrarySuffix);
        if (!loaded.isLoaded()) return false;
        if (!api.bind([&loaded](const char* name) { return loaded.symbol(name); })) return false;
        library = std::move(loaded);
    }
    path = utf8WithZero(newPath);
    const bool hasWriterMutex = writerMutex.create(writerMutexName(path, mutexName));
    syncMode = kSynchronousChoices[std::clamp(synchronousChoice, 0, 2)];
    openFlags = kOpenFlags;
    recycleThreshold = kRecycleThreshold;

    // A failed query leaves the text empty, which reads as "not WAL" and tries the switch.
    WideString journalMode;
    (void)queryField(u"PRAGMA journal_mode", journalMode);
    if (asciiUpper(journalMode) != u"WAL") {
        (void)lock(0);   // a connection that cannot be opened is reported by lock and execSql
        (void)execSql(u"PRAGMA journal_mode=WAL");
        (void)unlock(0);
    }
    return hasWriterMutex;
}

bool rg_MoKuai_class_sqliteShuJuKu::close() {
    borrows = 0;
    outermostUnlocks = 0;
    lockDepthCount.exchange(0);
    activeReaderCount.exchange(0);
    if (!isBound()) return false;
    mainConnection.reset();
    while (!readerPool.empty()) readerPool.pop_back();   // most recent first, as a stack
    return true;
}
