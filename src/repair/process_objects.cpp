#include "repair/process_objects.h"

rg_MoKuai_class_sqliteShuJuKu sourceDb;
rg_MoKuai_class_sqliteShuJuKu targetDb;
std::int32_t pageSize = 0;
rg_YuanZiZhengShuLei completedPages;
