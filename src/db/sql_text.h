// Pieces of SQL text built from names, so that any table or column name addresses the right
// object. Values never become SQL text: they are bound to placeholders.
#pragma once

#include <optional>

#include "base/wide_string.h"

// A name as an SQL identifier: in double quotes, inner double quotes doubled.
WideString quotedName(const WideString& name);
// Names joined with ", ", each quoted.
WideString quotedNameList(const StringArray& names);
// The first of SQL's names for a rowid (rowid, _rowid_, oid) that no column of a table with these
// column names hides; empty when every one is a column's.
std::optional<WideString> freeRowidName(const StringArray& columnNames);
