#include "repair/structure_check.h"

#include <system_error>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/sql_text.h"
#include "platform/platform.h"

namespace {

// Beyond this many findings the rest are not seen, so damage may hide among them.
constexpr std::int32_t kMaxFindings = 100000;
constexpr std::uint64_t kWaitStepMilliseconds = 5;

// Runs one form of the check and files its lines. The outcome tells whether it ran to its end.
QueryOutcome checkInto(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& statement, std::span<const TypedValue> parameters,
                       FindingSorter& sorter, std::int64_t& lineCount) {
    TypedPage rows;
    const QueryOutcome checked = source.queryPage(statement, rows, parameters);
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StringArray lines;   // one row may hold several findings, a line each
        (void)splitText(fromUtf8(rows.value(row, 0).bytes), u"\n", lines);
        for (const WideString& line : lines) {
            ++lineCount;
            sorter.add(line);
        }
    }
    return checked;
}

StructureFindings runCheck(rg_MoKuai_class_sqliteShuJuKu& source, const StringArray& tables) {
    FindingSorter sorter(source);
    std::int64_t lineCount = 0;
    // The whole-file check: every b-tree's structure first (its findings come in the first row),
    // then every row against its table's constraints and indexes. The row checks stop at the first
    // record they cannot read (SQLITE_CORRUPT), which the copy's own reading meets too.
    const QueryOutcome whole = checkInto(source, u"PRAGMA integrity_check(" + decimalText(kMaxFindings) + u")", {}, sorter, lineCount);
    if (!whole.prepared || (!whole && whole.errorCode != SQLITE_CORRUPT)) {
        StructureFindings findings;
        findings.failure = whole.error;
        return findings;
    }
    // Where the row checks stopped, each table is checked on its own, so that an index that
    // disagrees with its table is seen in every table, not only in those before the damage.
    if (!whole) {
        for (const WideString& table : tables) {
            const std::string name = toUtf8(table);
            const TypedValue parameter[] = {textValue(name)};
            (void)checkInto(source, u"SELECT * FROM pragma_integrity_check(?1)", parameter, sorter, lineCount);   // stops as the whole one did
        }
    }
    StructureFindings findings = sorter.finish([&](const WideString& table) {
        return source.queryInteger(u"SELECT COUNT(*) FROM " + quotedName(table) + u" NOT INDEXED");
    });
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
