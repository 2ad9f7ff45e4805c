// The repair engine's process-wide objects, shared by the job, the schema transfer and the copy.
// They live until the process ends, so detached page workers never outlive them.
#pragma once

#include <cstdint>

#include "base/atomic_integer.h"
#include "db/database.h"

// The damaged database that is read, and the temporary database that is built.
extern rg_MoKuai_class_sqliteShuJuKu sourceDb;
extern rg_MoKuai_class_sqliteShuJuKu targetDb;
// Rows one page worker copies; set by every run.
extern std::int32_t pageSize;
// Finished page workers of the table being copied.
extern rg_YuanZiZhengShuLei completedPages;

// The temporary database is written with synchronous OFF: it has no value until it is complete,
// and the finished file is flushed before it takes the source's name.
inline constexpr int kTargetSyncChoice = 2;
