// The writer lock over the main connection, the reader pool, and the diagnostics raised after
// statements.
#include "db/database.h"
#include "db/diagnostic_texts.h"

namespace {

constexpr std::int32_t kReaderCap = 50;
constexpr std::uint64_t kReaderWaitMs = 30;
constexpr std::int32_t kTrimNumerator = 200;
constexpr std::int64_t kSlowStatementMs = 1000;
constexpr std::int32_t kMaxLockDepth = 5;

// Holds the reader-pool mutex for one scope.
class ReaderPoolGuard {
public:
    explicit ReaderPoolGuard(rg_MoKuai_class_HuChiSuo_ChanJinCheng& mutex) : mutex(mutex) { mutex.acquire(); }
    ReaderPoolGuard(const ReaderPoolGuard&) = delete;
    ReaderPoolGuard& operator=(const ReaderPoolGuard&) = delete;
    ~ReaderPoolGuard() { mutex.release(); }

private:
    rg_MoKuai_class_HuChiSuo_ChanJinCheng& mutex;
};

}  // namespace

bool rg_MoKuai_class_sqliteShuJuKu::lock(std::int32_t alreadyLocked) {
    if (!isBound()) return false;
    if (alreadyLocked == 1) return true;
    writerMutex.acquire();
    lockDepthCount.add(1);
    ownerThreadId.exchange(platform::currentThreadId());
    if (mainConnection.isOpen()) return true;

    bool opened = false;
    // A failed open is kept, so it is not retried until the connection is recycled or closed.
    mainConnection = openConnection(opened);
    if (!opened) {
        reportError(kLabelConnect, u"-", kErrorConnectFailed);
        return false;
    }
    return prepareMainConnection();
}

bool rg_MoKuai_class_sqliteShuJuKu::unlock(std::int32_t alreadyLocked) {
    if (!isBound()) return false;
    if (alreadyLocked == 1) return true;
    if (lockDepthCount.load() == 1) {
        ++outermostUnlocks;
        if (outermostUnlocks >= recycleThreshold) {
            outermostUnlocks = 0;
            mainConnection.reset();
        }
    }
    lockDepthCount.add(-1);
    ownerThreadId.exchange(0);   // also when an outer hold of this thread remains
    writerMutex.release();
    return true;
}

ReaderLease rg_MoKuai_class_sqliteShuJuKu::acquireReader() {
    // Not atomic with the borrow below: threads that pass together may briefly lend a few more.
    while (activeReaderCount.load() >= kReaderCap) platform::waitPumping(kReaderWaitMs, 1);
    const std::int32_t owner = ownerThreadId.load();
    if (owner != 0 && owner == platform::currentThreadId()) return ReaderLease(this, Connection{}, mainConnection.get(), true);

    ReaderPoolGuard guard(readerMutex);
    const std::int32_t lent = activeReaderCount.add(1);
    ++borrows;
    const std::int32_t surplus = static_cast<std::int32_t>(readerPool.size()) - lent;
    if (borrows > recycleThreshold || (surplus > 1 && borrows > kTrimNumerator / surplus)) {
        borrows = 0;
        if (!readerPool.empty()) readerPool.pop_back();   // closes the most recently returned one
    }
    if (!readerPool.empty()) {
        Connection connection = std::move(readerPool.back());
        readerPool.pop_back();
        return ReaderLease(this, std::move(connection), nullptr, false);
    }
    bool opened = false;
    // A connection that failed to open is lent all the same: its statements fail to prepare and
    // report that.
    return ReaderLease(this, openConnection(opened), nullptr, false);
}

void rg_MoKuai_class_sqliteShuJuKu::releaseReader(ReaderLease& lease) {
    if (lease.isMain) return;
    ReaderPoolGuard guard(readerMutex);
    activeReaderCount.add(-1);
    readerPool.push_back(std::move(lease.pooled));
}

ReaderLease::ReaderLease(ReaderLease&& other) noexcept
    : database(other.database), pooled(std::move(other.pooled)), mainHandle(other.mainHandle), isMain(other.isMain) {
    other.database = nullptr;
}

ReaderLease::~ReaderLease() {
    if (database) database->releaseReader(*this);
}

std::int32_t rg_MoKuai_class_sqliteShuJuKu::borrowCount() {
    ReaderPoolGuard guard(readerMutex);
    return borrows;
}

std::int32_t rg_MoKuai_class_sqliteShuJuKu::idleReaders() {
    ReaderPoolGuard guard(readerMutex);
    return static_cast<std::int32_t>(readerPool.size());
}

void rg_MoKuai_class_sqliteShuJuKu::checkStatement(std::uint32_t startTick, const WideString& statement,
                                                   std::int32_t lockChecking) {
    // Widened before subtracting: a tick count that wrapped in between gives a negative time.
    const std::int64_t elapsed = static_cast<std::int64_t>(platform::tickCount()) - static_cast<std::int64_t>(startTick);
    if (elapsed > kSlowStatementMs)
        raiseMessage(kMessageSlowStatement, kLabelSlowStatement, diagnosticLine(statement, kErrorSlowStatement));
    if (lockChecking != 1) return;
    const std::int32_t depth = lockDepthCount.load();
    if (depth <= 0 || depth > kMaxLockDepth)
        raiseMessage(kMessageLockAnomaly, kLabelLockAnomaly,
                     diagnosticLine(statement, WideString(kErrorLockCount) + decimalText(depth)));
}

int rg_MoKuai_class_sqliteShuJuKu::raiseMessage(std::int32_t kind, const WideString& label, const WideString& message) {
    return onMessage.raise(*this, kind, label, message);
}
