#include "repair/repair_run.h"

#include "repair/exempt_tables.h"

WideString withCause(const WideString& text, const WideString& cause) { return cause.empty() ? text : text + u"(" + cause + u")"; }

bool RepairRun::isExempt(const WideString& table) const { return isExemptTable(exemptTables, table); }

void RepairRun::noteFailure(const WideString& cause, bool isDamage, const WideString& shortTable) {
    if (!failure.cause.empty()) return;
    failure = RunFailure{cause, isDamage, shortTable};
}

void RepairRun::reportFailure(const WideString& name, const WideString& text, bool isDamage) {
    reportMessage(name, text);
    noteFailure(text, isDamage);
}
