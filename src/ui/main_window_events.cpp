// What the main window does: takes a dropped database, repairs it on a thread of its own with its
// progress in the hint label, reports the result (and offers to salvage what a failed repair could
// not rebuild, another copy's schema when the salvage could not read the source's, then to use the
// salvaged database in the original's place) and resets, and refuses to close during a run.
#include "ui/main_window.h"

#include "jobs/job_progress.h"
#include "platform/platform.h"
#include "repair/repair_job.h"
#include "salvage/salvage_job.h"
#include "salvage/salvaged_swap.h"
#include "ui/database_drop.h"
#include "ui/database_file_dialog.h"
#include "ui/main_window_texts.h"
#include "ui/message_boxes.h"

namespace {

// How the repair thread reaches the window that started it: subscribed with the window's
// eventTarget, so a window destroyed meanwhile is not reached.
EventSlot<rg_mk_class_sqliteshjk_xf> repairEnded;
EventSlot<rg_mk_class_sqliteshjk_xf, HWND&> runWindowWanted;
// Given the source's path, sets the other copy the user chose for its schema; left empty when none.
EventSlot<rg_mk_class_sqliteshjk_xf, const WideString&, WideString&> schemaCopyWanted;

// The window the run's boxes belong to; null once it is gone.
HWND runWindow() {
    HWND window = nullptr;
    (void)runWindowWanted.raise(repairJob, window);
    return window;
}

// The result of a run and what the run adds to it (a failure's cause, the rebuilt file to swap in
// by hand) on its second line.
WideString resultText(const RepairOutcome& outcome) {
    return outcome.detail.empty() ? outcome.result : outcome.result + u"\n" + outcome.detail;
}

// The box after a salvage: the report's own summary, or why it failed.
WideString salvageSummary(const SalvageOutcome& outcome) {
    return outcome.report.salvaged.empty() ? outcome.result : outcome.report.summary(outcome.reportPath);
}

// Salvages the database at path and shows the salvage's box. A salvage that could not read the
// source's schema could put no row in its table: the user may choose another copy of the same
// program's database, and the salvage runs again with that copy's schema, under a new stamp, the
// first salvaged file staying beside it. Returns the latest salvage's outcome.
SalvageOutcome salvageOfferingSchemaCopy(const WideString& path) {
    SalvageOutcome salvaged = salvageJob.salvageDatabase(path);
    showResultBox(runWindow(), salvageSummary(salvaged));
    if (salvaged.report.salvaged.empty() || salvaged.report.isSchemaRead || !askResultQuestion(runWindow(), kSchemaCopyQuestion))
        return salvaged;
    WideString copy;
    (void)schemaCopyWanted.raise(repairJob, path, copy);   // a window gone meanwhile chooses nothing
    if (copy.empty()) return salvaged;
    salvaged = salvageJob.salvageDatabase(path, copy);
    showResultBox(runWindow(), salvageSummary(salvaged));
    return salvaged;
}

}  // namespace

bool rg_win_Zhu::isRepairing() const {
    return startButton.text() != kStartText;
}

void rg_win_Zhu::showStartupTip() {
    showFreeBox(kStartupTip);
}

void rg_win_Zhu::onFilesDropped(const StringArray& paths) {
    if (paths.empty()) return;
    if (paths.size() != 1) {
        showWindowBox(handle(), kSingleFileOnly);
        return;
    }
    if (!hasDatabaseExtension(paths.front())) {
        showWindowBox(handle(), kNotADatabaseFile);
        return;
    }
    pathBox.setText(paths.front());
    // A long path would show only its start: the file's name is at its end.
    pathBox.showTextEnd();
}

void rg_win_Zhu::openFiles(const StringArray& paths) {
    onFilesDropped(paths);
}

void rg_win_Zhu::onStartClicked(WindowObject& sender) {
    if (&sender != &startButton) return;
    if (isRepairing()) {
        showRefusalBox(handle(), kRepairInProgress);
        return;
    }
    const WideString path = pathBox.text();
    if (!platform::pathExists(path)) {
        showWindowBox(handle(), kFileNotFound);
        pathBox.setText(u"");
        return;
    }
    // The button reads "修复中" before the thread starts, so a second press already finds it.
    startButton.setText(kRepairingText);
    follow(repairJob.repairProgress);
    follow(salvageJob.salvageProgress);
    repairEnded.subscribe(eventTarget, 1, [this](rg_mk_class_sqliteshjk_xf&, std::int32_t) {
        resetToIdle();
        return 0;
    });
    runWindowWanted.subscribe(eventTarget, 1, [this](rg_mk_class_sqliteshjk_xf&, std::int32_t, HWND& window) {
        window = handle();
        return 0;
    });
    schemaCopyWanted.subscribe(eventTarget, 1, [this](rg_mk_class_sqliteshjk_xf&, std::int32_t, const WideString& source, WideString& copy) {
        copy = chooseSchemaCopy(source);
        return 0;
    });
    if (startRepairThread(path)) return;
    // No thread will reset the window, so it goes back to idle here rather than stay "修复中".
    resetToIdle();
    showWindowBox(handle(), kThreadNotStarted);
}

bool rg_win_Zhu::startRepairThread(const WideString& path) {
    return platform::startThread(repairWorker, path);
}

void rg_win_Zhu::repairWorker(WideString path) {
    const RepairOutcome outcome = repairJob.runRepair(path, kDefaultExemptTables);
    showResultBox(runWindow(), resultText(outcome));
    // A repair that could not read every row leaves the user nothing: the salvage saves what can
    // be read into a new file, on this thread, with its progress in the hint line. It is offered
    // only where it can help.
    if (outcome.offersSalvage && askResultQuestion(runWindow(), kSalvageQuestion)) {
        const SalvageOutcome salvaged = salvageOfferingSchemaCopy(path);
        if (!salvaged.report.salvaged.empty() && askResultQuestion(runWindow(), kUseSalvagedQuestion))
            showResultBox(runWindow(), useSalvagedDatabase(salvaged).text);
    }
    repairEnded.raise(repairJob);
}

WideString rg_win_Zhu::chooseSchemaCopy(const WideString& sourcePath) {
    return chooseDatabaseFile(handle(), kSchemaCopyDialogTitle, platform::folderOf(sourcePath));
}

template <typename Job>
void rg_win_Zhu::follow(JobProgressEvent<Job>& progress) {
    progress.subscribe(eventTarget, 1,
                       [this](Job&, std::int32_t, std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                              const WideString& text) {
                           onJobProgress(Job::progressLabel, Job::runningText, kind, name, total, done, text);
                           return 0;
                       });
}

void rg_win_Zhu::onJobProgress(const char16_t* label, const char16_t* runningText, std::int32_t kind, const WideString& name,
                               std::int32_t total, std::int32_t done, const WideString& text) {
    // The salvage runs after the repair, on the same run: the button says which of the two runs.
    if (startButton.text() != runningText) startButton.setText(runningText);
    hintLabel.setText(progressLine(label, kind, name, total, done, text));
}

void rg_win_Zhu::resetToIdle() {
    startButton.setText(kStartText);
    hintLabel.setText(kDropHint);
    pathBox.setText(u"");
    closeRefusalBoxes(handle());
}

void rg_win_Zhu::onCloseClicked(WindowObject& sender) {
    if (&sender != &closeButton) return;
    if (!isRepairing()) ExitProcess(0);
    showRefusalBox(handle(), kCloseRefused);
}

int rg_win_Zhu::onCloseQuery() {
    if (!isRepairing()) return 0;
    showRefusalBox(handle(), kCloseRefused);
    return 1;
}
