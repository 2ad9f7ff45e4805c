// Pieces of SQL text built from names, so that any table or column name addresses the right
// object. Values never become SQL text: they are bound to placeholders.
#pragma once

#include "base/wide_string.h"

// A name as an SQL identifier: in double quotes, inner double quotes doubled.
WideString quotedName(const WideString& name);
// Names joined with ", ", each quoted.
WideString quotedNameList(const StringArray& names);
