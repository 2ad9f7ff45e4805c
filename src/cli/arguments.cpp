#include "cli/arguments.h"

#include "repair/repair_job.h"

const char16_t kUsageText[] =
    u"Usage: dovrane-cli [--exempt LIST] PATH    repair the SQLite database at PATH\n"
    u"       dovrane-cli --check PATH            run SQLite's integrity check on PATH\n"
    u"       dovrane-cli --help | --version\n"
    u"\n"
    u"The damaged file is kept beside the rebuilt one as 原数据库备份-<stamp>.db.\n"
    u"--exempt LIST  comma-separated tables whose row counts are not compared, or * for all\n"
    u"               (default: query_share,report,message_record,claim_order)\n"
    u"Exit status: 0 repaired (or sound, for --check), 1 failed (or damaged), 2 usage error.\n";

CommandLine parseCommandLine(const StringArray& arguments) {
    CommandLine line;
    line.exemptTables = kDefaultExemptTables;
    bool check = false;
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
    line.path = paths.front();
    line.action = check ? CommandLine::Action::check : CommandLine::Action::repair;
    return line;
}
