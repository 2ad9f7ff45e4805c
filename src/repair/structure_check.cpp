#include "repair/structure_check.h"

#include <algorithm>
#include <system_error>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/sql_text.h"
#include "platform/platform.h"

namespace {

// Beyond this many findings the rest are not seen, so damage may hide among them.
constexpr std::int32_t kMaxFindings = 100000;
constexpr std::uint64_t kWaitStepMilliseconds = 5;

StructureFindings runCheck(rg_MoKuai_class_sqliteShuJuKu& source, const StringArray& tables) {
    const std::vector<SchemaObject> objects = readSchemaObjects(source);
    std::vector<CheckFinding> found;
    std::int64_t lineCount = 0;
    // The whole-file check: every b-tree's structure first (its findings come in the first row),
    // then every row against its table's constraints and indexes. The row checks stop at the first
    // record they cannot read (SQLITE_CORRUPT), which the copy's own reading meets too.
    const QueryOutcome whole = readCheckFindings(source, u"PRAGMA integrity_check(" + decimalText(kMaxFindings) + u")", {}, found, lineCount);
    if (!whole.prepared || (!whole && whole.errorCode != SQLITE_CORRUPT)) {
        StructureFindings findings;
        findings.failure = whole.error;
        return findings;
    }
    SourceMap map;
    const bool isMapRead = map.read(source, "main", objects);
    // Where the row checks stopped, each table is checked on its own, so that an index that
    // disagrees with its table is seen in every table, not only in those before the damage; so is a
    // table whose b-tree the check left unchecked where the free-space list named one of its pages.
    StringArray again = whole ? StringArray{} : tables;
    if (isMapRead) {
        const StringArray unchecked = tablesToCheckAgain(found, map, objects);
        // The whole check counted no rows in a b-tree it left unchecked, and so found its indexes
        // with too many entries: the table's own check says what its indexes hold.
        std::erase_if(found, [&](const CheckFinding& finding) {
            return (finding.kind == CheckFinding::Kind::wrongEntryCount || finding.kind == CheckFinding::Kind::missingFromIndex) &&
                   std::any_of(objects.begin(), objects.end(), [&](const SchemaObject& object) {
                       return object.name == finding.index && isNamed(unchecked, object.table);
                   });
        });
        for (const WideString& table : unchecked)
            if (!isNamed(again, table)) again.push_back(table);
    }
    for (const WideString& table : again) (void)readTableCheckFindings(source, table, found, lineCount);   // stops as the whole one did
    StructureFindings findings = judgeStructure(source, found, map, isMapRead, objects);
    findings.ran = true;
    if (lineCount >= kMaxFindings) findings.hasUnplacedTableDamage = true;
    return findings;
}

}  // namespace

StructureCheck::~StructureCheck() {
    if (worker.joinable()) worker.join();
}

void StructureCheck::start(rg_MoKuai_class_sqliteShuJuKu& source, const StringArray& tables) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        finished = false;
        result = StructureFindings{};
    }
    const auto check = [this, &source, tables] {
        StructureFindings findings = runCheck(source, tables);
        const std::lock_guard<std::mutex> guard(lock);
        result = std::move(findings);
        finished = true;
    };
    try {
        worker = std::thread(check);
    } catch (const std::system_error&) {
        check();
    }
}

bool StructureCheck::isFinished() {
    const std::lock_guard<std::mutex> guard(lock);
    return finished;
}

StructureFindings StructureCheck::findings() {
    while (!isFinished()) platform::waitPumping(kWaitStepMilliseconds, 1);
    if (worker.joinable()) worker.join();
    const std::lock_guard<std::mutex> guard(lock);
    return result;
}
