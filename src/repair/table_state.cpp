#include "repair/table_state.h"

#include "repair/process_objects.h"

std::vector<TypedValue> PageRange::parameters() const {
    std::vector<TypedValue> values;
    for (const TypedPage* boundary : {&lower, &upper})
        for (std::int32_t column = 0; boundary->rowCount() > 0 && column < boundary->columnCount(); ++column)
            values.push_back(boundary->value(0, column));
    return values;
}

void TableTrouble::reset() {
    const std::lock_guard<std::mutex> guard(lock);
    copied = RowDigest{};
    stored = RowDigest{};
    readBackError.reset();
    statementError.reset();
    writeError.reset();
    refusal.reset();
    damage = false;
    boundaryUnread = false;
}

void TableTrouble::addCopiedRows(const RowDigest& rows) {
    const std::lock_guard<std::mutex> guard(lock);
    copied.add(rows);
}

RowDigest TableTrouble::copiedRows() const {
    const std::lock_guard<std::mutex> guard(lock);
    return copied;
}

void TableTrouble::addStoredRows(const RowDigest& rows) {
    const std::lock_guard<std::mutex> guard(lock);
    stored.add(rows);
}

RowDigest TableTrouble::storedRows() const {
    const std::lock_guard<std::mutex> guard(lock);
    return stored;
}

void TableTrouble::noteReadBackFailure(const WideString& error) {
    const std::lock_guard<std::mutex> guard(lock);
    if (!readBackError) readBackError = error;
}

std::optional<WideString> TableTrouble::firstReadBackError() const {
    const std::lock_guard<std::mutex> guard(lock);
    return readBackError;
}

void TableTrouble::noteStatementFailure(const WideString& error) {
    const std::lock_guard<std::mutex> guard(lock);
    if (!statementError) statementError = error;
}

void TableTrouble::noteWriteFailure(const WideString& error) {
    const std::lock_guard<std::mutex> guard(lock);
    if (!writeError) writeError = error;
}

void TableTrouble::noteRefusal(const WideString& error) {
    const std::lock_guard<std::mutex> guard(lock);
    if (!refusal) refusal = error;
}

void TableTrouble::noteDamage() {
    const std::lock_guard<std::mutex> guard(lock);
    damage = true;
}

void TableTrouble::noteBoundaryUnread() {
    const std::lock_guard<std::mutex> guard(lock);
    boundaryUnread = true;
}

bool TableTrouble::boundariesRead() const {
    const std::lock_guard<std::mutex> guard(lock);
    return !boundaryUnread;
}

bool TableTrouble::metDamage() const {
    const std::lock_guard<std::mutex> guard(lock);
    return damage;
}

std::optional<WideString> TableTrouble::firstRefusal() const {
    const std::lock_guard<std::mutex> guard(lock);
    return refusal;
}

std::optional<WideString> TableTrouble::firstStatementError() const {
    const std::lock_guard<std::mutex> guard(lock);
    return statementError;
}

std::optional<WideString> TableTrouble::firstWriteError() const {
    const std::lock_guard<std::mutex> guard(lock);
    return writeError;
}

void PageCompletion::reset() { completedPages.exchange(0); }

void PageCompletion::finishPage() {
    // The count rises under the lock: the coordinator sees the last page finished only once its
    // worker has let go of the lock, and then the worker touches nothing of the run any more, which
    // the coordinator may end at once. Under the lock too, a waiter between its check and its
    // sleep cannot miss the wake-up.
    const std::lock_guard<std::mutex> guard(lock);
    completedPages.add(1);
    finished.notify_all();
}

bool PageCompletion::waitWhile(const std::function<bool()>& keepWaiting, std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> guard(lock);
    return finished.wait_for(guard, most, [&] { return !keepWaiting(); });
}
