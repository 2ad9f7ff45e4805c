#include "cli/arguments.h"

#include "repair/repair_job.h"

const char16_t kUsageText[] =
    u"Usage: dovrane-cli [--exempt LIST] PATH    repair the SQLite database at PATH\n"
    u"       dovrane-cli --check PATH            run SQLite's integrity check on PATH\n"
    u"       dovrane-cli --salvage [--schema-from COPY] [--use-salvaged] PATH\n"
    u"                                           save what can be read of PATH into a new database\n"
    u"       dovrane-cli --help | --version\n"
    u"\n"
    u"The damaged file is kept beside the rebuilt one as 原数据库备份-<stamp>.db.\n"
    u"--exempt LIST  comma-separated tables whose row counts are not compared, or * for all\n"
    u"               (default: query_share,report,message_record,claim_order)\n"
    u"--salvage writes 抢救数据库-<stamp>.db and the report 抢救报告-<stamp>.txt and .json beside PATH,\n"
    u"          leaves PATH as it is, and prints the report.\n"
    u"--schema-from COPY  when PATH's own schema cannot be read, take the tables of COPY, another copy of\n"
    u"                    the same program's database (such as an older 原数据库备份-<stamp>.db), and\n"
    u"                    put the rows back in them by their shape; COPY is only read.\n"
    u"--use-salvaged  after a salvage, renames PATH (with its -wal, -journal, -shm) to 原数据库备份-<stamp>.db\n"
    u"                and the salvaged database to PATH; nothing changes while another program has PATH open\n"
    u"                or when PATH was written to after the salvage read it.\n"
    u"Exit status: 0 repaired (or sound, for --check; nothing lost, for --salvage), 1 failed (or damaged),\n"
    u"             2 usage error, 3 salvaged with rows lost or not countable (see the report),\n"
    u"             4 salvaged but not put in PATH's place (--use-salvaged; PATH unchanged).\n";

CommandLine parseCommandLine(const StringArray& arguments) {
    CommandLine line;
    line.exemptTables = kDefaultExemptTables;
    bool check = false;
    bool salvage = false;
    bool useSalvaged = false;
    bool optionsEnded = false;
    StringArray paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const WideString& word = arguments[i];
        if (optionsEnded || word.empty() || word[0] != u'-' || word == u"-") {
            paths.push_back(word);
        } else if (word == u"--") {
            optionsEnded = true;
        } else if (word == u"--help" || word == u"-h") {
            line.action = CommandLine::Action::help;
            return line;
        } else if (word == u"--version") {
            line.action = CommandLine::Action::version;
            return line;
        } else if (word == u"--check") {
            check = true;
        } else if (word == u"--salvage") {
            salvage = true;
        } else if (word == u"--schema-from") {
            if (i + 1 == arguments.size()) {
                line.error = u"--schema-from needs the path of a copy";
                return line;
            }
            line.schemaCopy = arguments[++i];
        } else if (word == u"--use-salvaged") {
            useSalvaged = true;
        } else if (word == u"--exempt") {
            if (i + 1 == arguments.size()) {
                line.error = u"--exempt needs a list of tables";
                return line;
            }
            line.exemptTables = arguments[++i];
        } else {
            line.error = u"unknown option " + word;
            return line;
        }
    }
    if (paths.size() != 1) {
        line.error = paths.empty() ? u"no database path given" : u"give exactly one database path";
        return line;
    }
    if (check && salvage) {
        line.error = u"--check and --salvage cannot be given together";
        return line;
    }
    if (!line.schemaCopy.empty() && !salvage) {
        line.error = u"--schema-from goes with --salvage";
        return line;
    }
    if (useSalvaged && !salvage) {
        line.error = u"--use-salvaged goes with --salvage";
        return line;
    }
    line.path = paths.front();
    line.useSalvaged = useSalvaged;
    line.action = check ? CommandLine::Action::check : salvage ? CommandLine::Action::salvage : CommandLine::Action::repair;
    return line;
}
