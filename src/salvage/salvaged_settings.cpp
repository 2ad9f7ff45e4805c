// The source's settings read through a read-only connection and set on the salvaged file alone.
#include "salvage/salvaged_settings.h"

#include <optional>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/read_only_opening.h"

namespace {

struct HeaderSettings {
    std::optional<std::int64_t> pageSize;
    std::optional<std::int64_t> autoVacuum;
    std::optional<std::int64_t> userVersion;
    std::optional<std::int64_t> applicationId;
};

HeaderSettings settingsOf(rg_MoKuai_class_sqliteShuJuKu& database) {
    return {database.queryInteger(u"PRAGMA page_size"), database.queryInteger(u"PRAGMA auto_vacuum"),
            database.queryInteger(u"PRAGMA user_version"), database.queryInteger(u"PRAGMA application_id")};
}

bool differs(const std::optional<std::int64_t>& wanted, const std::optional<std::int64_t>& present) { return wanted && wanted != present; }

}  // namespace

bool keepSourceSettings(const WideString& sourcePath, const WideString& salvagedPath, ShortFileReading shortFileReading) {
    HeaderSettings wanted;
    {
        rg_MoKuai_class_sqliteShuJuKu source;
        (void)source.connectReadOnly(sourcePath, shortFileReading);   // an unreadable source fails the look at its header below
        // SQLite answers "PRAGMA page_size" with its default even for a file that is no database:
        // only a header SQLite accepts gives values.
        if (!source.queryInteger(u"PRAGMA schema_version")) return true;
        wanted = settingsOf(source);
    }
    rg_MoKuai_class_sqliteShuJuKu salvaged;
    // Connected for building: the page size and auto-vacuum set at each opening are what the VACUUM
    // below gives the file.
    BuildSettings building;
    building.pageSize = wanted.pageSize.value_or(0);
    building.autoVacuum = wanted.autoVacuum;
    (void)salvaged.connectForBuilding(salvagedPath, building);   // a file that cannot be opened fails its statements
    const WriterLock lock(salvaged);
    const HeaderSettings present = settingsOf(salvaged);
    bool kept = true;
    // A PRAGMA takes no parameters: each value is a number this program writes out itself.
    if (differs(wanted.pageSize, present.pageSize) || differs(wanted.autoVacuum, present.autoVacuum)) kept = salvaged.execSql(u"VACUUM");
    if (differs(wanted.userVersion, present.userVersion))
        kept = salvaged.execSql(u"PRAGMA user_version = " + decimalText(*wanted.userVersion)) && kept;
    if (differs(wanted.applicationId, present.applicationId))
        kept = salvaged.execSql(u"PRAGMA application_id = " + decimalText(*wanted.applicationId)) && kept;
    // Last: no VACUUM changes the page size of a database in WAL.
    if (isWalDatabase(sourcePath) && !isWalDatabase(salvagedPath)) {
        WideString mode;
        kept = salvaged.queryField(u"PRAGMA journal_mode = WAL", mode) && asciiLower(mode) == u"wal" && kept;
    }
    return kept;
}
