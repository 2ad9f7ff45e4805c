// The repair engine's process-wide objects. They live until the process ends, so detached page
// workers never outlive them. Only the job (repair_job.cpp) and the page worker (copyPage) touch
// them: everything else works on the run the job hands it (repair_run.h).
#pragma once

#include <cstdint>

#include "base/atomic_integer.h"
#include "db/database.h"

class RepairRun;

// The damaged database that is read, and the temporary database that is built.
extern rg_MoKuai_class_sqliteShuJuKu sourceDb;
extern rg_MoKuai_class_sqliteShuJuKu targetDb;
// Rows one page worker copies; set by every run.
extern std::int32_t pageSize;
// Finished page workers of the table being copied.
extern rg_YuanZiZhengShuLei completedPages;

// The run in progress: set by the job for the length of a run, so that a page worker, which is
// handed only its parameter text, finds the run it works for.
void setActiveRun(RepairRun* run);
RepairRun& activeRun();
