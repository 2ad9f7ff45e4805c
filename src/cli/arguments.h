// The command line of dovrane-cli.
#pragma once

#include "base/wide_string.h"

struct CommandLine {
    enum class Action { repair, check, salvage, help, version, usageError };
    Action action = Action::usageError;
    WideString path;
    WideString exemptTables;
    WideString schemaCopy;   // --schema-from: where a salvage takes a lost schema from
    bool useSalvaged = false;   // salvage only: put the salvaged database in PATH's place
    WideString error;   // what was wrong, for a usage error
};

CommandLine parseCommandLine(const StringArray& arguments);

extern const char16_t kUsageText[];
