#include "repair/process_objects.h"

#include <atomic>

rg_MoKuai_class_sqliteShuJuKu sourceDb;
rg_MoKuai_class_sqliteShuJuKu targetDb;
std::int32_t pageSize = 0;
rg_YuanZiZhengShuLei completedPages;

namespace {

std::atomic<RepairRun*> runInProgress{nullptr};

}  // namespace

void setActiveRun(RepairRun* run) { runInProgress = run; }

RepairRun& activeRun() { return *runInProgress.load(); }
