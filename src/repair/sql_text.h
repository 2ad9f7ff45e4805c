// Pieces of SQL text built from names and values, so that any table or column name addresses
// the right object.
#pragma once

#include "base/wide_string.h"
#include "db/typed_page.h"

// A name as an SQL identifier: in double quotes, inner double quotes doubled.
WideString quotedName(const WideString& name);
// A text as an SQL string literal: in single quotes, inner single quotes doubled.
WideString stringLiteral(const WideString& text);
// Names joined with ", ", each quoted.
WideString quotedNameList(const StringArray& names);
// A value as an SQL literal that compares equal to it: integers and reals exactly, text quoted,
// blobs as X'…', NULL as NULL.
WideString valueLiteral(const TypedValue& value);
