// Shows the repair's progress events on standard error: a live line with a bar on a terminal,
// one line per event otherwise.
#pragma once

#include "base/event_slot.h"
#include "repair/repair_job.h"

class ProgressPrinter {
public:
    // Subscribes to job's progress event for the printer's lifetime.
    explicit ProgressPrinter(rg_mk_class_sqliteshjk_xf& job);
    // Ends a live line that is still open.
    ~ProgressPrinter();

private:
    void show(std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done, const WideString& text);

    bool live;
    bool lineOpen = false;
    EventTarget eventTarget;   // last: closed first, so no event reaches a half-destroyed printer
};
