// dovrane-cli's command line: what each argument list asks for.
#include <gtest/gtest.h>

#include "cli/arguments.h"
#include "repair/repair_job.h"

namespace {

using Action = CommandLine::Action;

struct ArgumentCase {
    StringArray arguments;
    Action action;
    WideString path;
    WideString exemptTables;   // for repair
    WideString error;          // for a usage error
    bool useSalvaged = false;
};

std::string joined(const StringArray& arguments) {
    std::string text;
    for (const WideString& argument : arguments) text.append("[").append(toUtf8(argument)).append("]");
    return text;
}

TEST(Arguments, eachArgumentListAsksForOneAction) {
    const WideString defaults = kDefaultExemptTables;
    const ArgumentCase cases[] = {
        {{u"shop.db"}, Action::repair, u"shop.db", defaults, u""},
        {{u"数据/店 铺.db"}, Action::repair, u"数据/店 铺.db", defaults, u""},
        {{u"--exempt", u"report,log", u"shop.db"}, Action::repair, u"shop.db", u"report,log", u""},
        {{u"shop.db", u"--exempt", u"*"}, Action::repair, u"shop.db", u"*", u""},
        {{u"--exempt", u"", u"shop.db"}, Action::repair, u"shop.db", u"", u""},
        {{u"--", u"-odd.db"}, Action::repair, u"-odd.db", defaults, u""},
        {{u"-"}, Action::repair, u"-", defaults, u""},
        {{u"--check", u"shop.db"}, Action::check, u"shop.db", defaults, u""},
        {{u"shop.db", u"--check"}, Action::check, u"shop.db", defaults, u""},
        {{u"--salvage", u"shop.db"}, Action::salvage, u"shop.db", defaults, u""},
        {{u"--salvage", u"--schema-from", u"原数据库备份-20261201.db", u"shop.db"}, Action::salvage, u"shop.db", defaults, u""},
        {{u"--schema-from", u"old.db", u"shop.db"}, Action::usageError, u"", defaults, u"--schema-from goes with --salvage"},
        {{u"--salvage", u"shop.db", u"--schema-from"}, Action::usageError, u"", defaults, u"--schema-from needs the path of a copy"},
        {{u"--salvage", u"--check", u"shop.db"}, Action::usageError, u"", defaults, u"--check and --salvage cannot be given together"},
        {{u"--salvage", u"--use-salvaged", u"shop.db"}, Action::salvage, u"shop.db", defaults, u"", true},
        {{u"shop.db", u"--use-salvaged", u"--salvage"}, Action::salvage, u"shop.db", defaults, u"", true},
        // Only a salvage has a salvaged database to use: a repair swaps its own, and a check none.
        {{u"--use-salvaged", u"shop.db"}, Action::usageError, u"", defaults, u"--use-salvaged goes with --salvage"},
        {{u"--check", u"--use-salvaged", u"shop.db"}, Action::usageError, u"", defaults, u"--use-salvaged goes with --salvage"},
        {{u"--help"}, Action::help, u"", defaults, u""},
        {{u"-h", u"shop.db"}, Action::help, u"", defaults, u""},
        {{u"shop.db", u"--version"}, Action::version, u"", defaults, u""},
        {{}, Action::usageError, u"", defaults, u"no database path given"},
        {{u"--check"}, Action::usageError, u"", defaults, u"no database path given"},
        {{u"a.db", u"b.db"}, Action::usageError, u"", defaults, u"give exactly one database path"},
        {{u"shop.db", u"--exempt"}, Action::usageError, u"", defaults, u"--exempt needs a list of tables"},
        {{u"--verbose", u"shop.db"}, Action::usageError, u"", defaults, u"unknown option --verbose"},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(c.action, line.action);
        EXPECT_EQ(c.path, line.path);
        EXPECT_EQ(c.error, line.error);
        EXPECT_EQ(c.useSalvaged, line.useSalvaged);
        if (c.action == Action::repair) {
            EXPECT_EQ(c.exemptTables, line.exemptTables);
        }
    }
}

}  // namespace
