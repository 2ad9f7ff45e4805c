// dovrane-cli: the repair, the salvage and the integrity check from the command line. Reads the
// arguments, calls the job, prints its result text, exits.
#include "base/wide_string.h"
#include "cli/arguments.h"
#include "cli/progress_printer.h"
#include "platform/platform.h"
#include "db/integrity_check.h"
#include "repair/process_objects.h"
#include "repair/repair_job.h"
#include "repair/result_texts.h"
#include "salvage/salvage_job.h"
#include "salvage/salvaged_swap.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSomeLost = 3;
constexpr int kExitNotSwapped = 4;

void print(platform::Stream stream, const WideString& text) { platform::writeText(stream, text + u"\n"); }

int repair(const CommandLine& line) {
    RepairOutcome outcome;
    {
        ProgressPrinter printer(repairJob, sourceDb, targetDb);
        outcome = repairJob.runRepair(line.path, line.exemptTables);
    }
    // What the window's result box says: the cause of a failure or the file to swap in by hand, then the result.
    if (!outcome.detail.empty()) print(platform::Stream::output, outcome.detail);
    // The window offers the salvage here; a script is told how to run it.
    if (outcome.offersSalvage) print(platform::Stream::output, u"可以运行 dovrane-cli --salvage \"" + line.path + u"\" 抢救能读出的数据");
    print(platform::Stream::output, outcome.result);
    return outcome.result.starts_with(kResultSuccessPrefix) ? kExitSuccess : kExitFailure;
}

int salvage(const CommandLine& line) {
    SalvageOutcome outcome;
    {
        ProgressPrinter printer(salvageJob);
        outcome = salvageJob.salvageDatabase(line.path, line.schemaCopy);
    }
    platform::writeText(platform::Stream::output, outcome.report.text());
    if (!outcome.reportPath.empty()) print(platform::Stream::output, u"抢救报告:" + outcome.reportPath);
    print(platform::Stream::output, outcome.result);
    if (outcome.report.salvaged.empty()) return kExitFailure;
    // The swap's text comes last: it says where the source and the salvaged database are now.
    if (line.useSalvaged) {
        const SalvagedSwap swap = useSalvagedDatabase(outcome);
        print(platform::Stream::output, swap.text);
        if (!swap.isSwapped) return kExitNotSwapped;
    }
    return outcome.result == kSalvageNothingLost ? kExitSuccess : kExitSomeLost;
}

int check(const CommandLine& line) {
    StringArray findings;
    const bool ran = checkIntegrity(line.path, findings);
    for (const WideString& finding : findings) print(platform::Stream::output, finding);
    return ran && findings.size() == 1 && findings.front() == u"ok" ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    platform::setLibraryFolder(platform::executableFolder() + u"data");
    const CommandLine line = parseCommandLine(platform::commandLineArguments(argc, argv));
    switch (line.action) {
    case CommandLine::Action::repair: return repair(line);
    case CommandLine::Action::check: return check(line);
    case CommandLine::Action::salvage: return salvage(line);
    case CommandLine::Action::help: platform::writeText(platform::Stream::output, kUsageText); return kExitSuccess;
    case CommandLine::Action::version: print(platform::Stream::output, u"dovrane-cli " + asciiText(DOVRANE_VERSION)); return kExitSuccess;
    case CommandLine::Action::usageError: break;
    }
    print(platform::Stream::error, u"dovrane-cli: " + line.error);
    platform::writeText(platform::Stream::error, kUsageText);
    return kExitUsage;
}
