// Shows the progress events of the repair or the salvage on standard error: a live line with a bar
// on a terminal, one line per event otherwise; and the database layer's diagnostics, a line each,
// so that a failure's cause (a full disk, a locked file, SQLite's own error text) is on screen.
#pragma once

#include <mutex>

#include "base/event_slot.h"
#include "db/database.h"
#include "repair/repair_job.h"
#include "salvage/salvage_job.h"

class ProgressPrinter {
public:
    // Subscribes to job's progress event and to the diagnostics of the databases for the
    // printer's lifetime. Diagnostics come from any thread.
    ProgressPrinter(rg_mk_class_sqliteshjk_xf& job, rg_MoKuai_class_sqliteShuJuKu& source, rg_MoKuai_class_sqliteShuJuKu& target);
    // Subscribes to the salvage's progress event for the printer's lifetime.
    explicit ProgressPrinter(SalvageJob& job);
    // Ends a live line that is still open.
    ~ProgressPrinter();

private:
    // One event of the job whose lines begin with label and whose running events say runningText.
    void show(const char16_t* label, const char16_t* runningText, std::int32_t kind, const WideString& name, std::int32_t total,
              std::int32_t done, const WideString& text);
    void showDiagnostic(const WideString& label, const WideString& message);
    void subscribeTo(rg_MoKuai_class_sqliteShuJuKu& database);
    template <typename Job>
    void follow(JobProgressEvent<Job>& progress);

    bool live;
    std::mutex writing;
    bool lineOpen = false;     // guarded by writing
    EventTarget eventTarget;   // last: closed first, so no event reaches a half-destroyed printer
};
