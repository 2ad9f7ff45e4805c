// What a salvage saved and lost, table by table, for people (text, and the summary a box shows)
// and for scripts (JSON). Every verdict the front ends show comes from here, so the box, the
// command line and the files never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/wide_string.h"

// A row the report names by its key.
struct KnownRow {
    std::string key;        // JSON: the rowid as a number, or the primary key's values as a list
    WideString keyText;     // for people: "rowid 1234", or the key's values in brackets
    std::string values;     // JSON object of the values an index still knows, by column; "{}" when none
};

struct SalvagedTable {
    WideString name;
    // The rows the source is known to have held: the largest count it still gives, from the table
    // or any of its indexes; empty when none can be read.
    std::optional<std::int64_t> sourceRows;
    // The table or index whose b-tree gave sourceRows.
    WideString sourceRowsFrom;
    // Rows that came back whole, in the table.
    std::int64_t salvagedRows = 0;
    // Of those, the rows of pages that had lost their parent, placed here by their shape and keys,
    // and the rows rebuilt from an index that holds every column.
    std::int64_t placedRows = 0;
    std::int64_t restoredRows = 0;
    std::vector<KnownRow> restoredRowKeys;   // the restored rows, by key
    // Rows that came back with part of their content cut or patched (a broken overflow chain):
    // kept in the table, never counted as salvaged.
    std::vector<KnownRow> damagedRows;
    // Rows the source's indexes know that did not come back, and the key ranges of lost pages that
    // no index knows.
    std::vector<KnownRow> lostRowsKnown;
    StringArray lostKeyRanges;
    // Whether the table's own b-tree checked clean: only then are its figures facts.
    bool verified = true;
    // sourceRows − salvagedRows − damaged rows when the source's count is known (never below 0).
    std::optional<std::int64_t> lostRows() const;
    // Whether the table may have lost rows while the salvaged table holds `held`: its b-tree did
    // not check clean, or the source cannot count its rows, or counts more.
    bool mayHaveLostRows(std::int64_t held) const { return !verified || !sourceRows || held < *sourceRows; }
};

// text as a JSON string (UTF-8): quoted, with quotes, backslashes and control characters escaped.
std::string jsonText(std::string_view text);

// Rows left in lost_and_found that fit several tables alike: neither their shape nor the source's
// indexes tell which of the tables they came from.
struct UndecidedRows {
    StringArray tables;   // the tables they could belong to, in schema order
    std::int64_t rows = 0;
};

struct SalvageReport {
    WideString source;
    WideString salvaged;   // empty when nothing was salvaged
    std::vector<SalvagedTable> tables;
    // The table of rows without a table: lost_and_found, unless the source has a table of that name.
    WideString lostAndFound = u"lost_and_found";
    std::int64_t lostAndFoundRows = 0;
    // Of those, the rows that could belong to several tables, by the tables.
    std::vector<UndecidedRows> undecidedRows;
    // Entries of index pages that no table took: kept apart in indexEntriesTable(), never counted
    // as rows.
    std::int64_t indexEntriesApart = 0;
    // The other copy whose schema placed the rows, when the source's own could not be read; or the
    // copy given whose schema could not be read (no database, no table).
    WideString schemaCopy;
    WideString unreadSchemaCopy;
    StringArray objectsNotRebuilt;
    WideString failure;   // why the salvage failed; empty when it ran
    // Whether SQLite's check found the source sound. A damaged source may give back every row with
    // a value changed (a broken overflow chain), which no count shows: nothing is then known not lost.
    bool isSourceSound = false;
    // Whether the source's list of tables could be read. When it could not, no table is known and
    // no count can say what was lost.
    bool isSchemaRead = false;
    // Whether the source's -wal holds committed transactions past a damaged frame: SQLite reads
    // the state before them without an error, so their rows are lost and no count shows them.
    bool hasUnreadableLogCommits = false;

    // True only when it is known that nothing was lost: a sound source whose tables are known and
    // whose -wal could be read to its last commit, every table's count known and whole, no row
    // without a table, every object rebuilt. A report that cannot know never says so.
    bool isNothingLost() const;
    // The table of the entries kept apart: lostAndFound + "_index_entries".
    WideString indexEntriesTable() const { return lostAndFound + u"_index_entries"; }
    // Counts `rows` of lost_and_found as rows that could belong to any of `tables`.
    void addUndecidedRows(const StringArray& tables, std::int64_t rows);
    // The entry of the table named `name`, or null.
    SalvagedTable* table(const WideString& name);
    const SalvagedTable* table(const WideString& name) const;
    std::int64_t salvagedRows() const;
    // The rows known to be lost, and whether some loss could not be counted.
    std::int64_t knownLostRows() const;
    bool hasUncountedLoss() const;

    // For people, in Chinese: the tables a line each, the totals, what else is known (rows without a
    // table, counts that are unknown, a damaged source or -wal), the verdict and what to do next. Lines end
    // in "\n".
    WideString text() const;
    // The same verdict, totals, facts and next step without the tables, for a message box;
    // reportPath, when not empty, is named as the place of the whole report.
    WideString summary(const WideString& reportPath) const;
    // For scripts: {"source", "salvaged", "tables": [{"name", "source_rows", "source_rows_from",
    // "salvaged_rows", "placed_rows", "restored_rows", "restored_from_index": [{"key"}],
    // "damaged_rows": [{"key"}], "lost_rows",
    // "lost_rows_known": [{"key", "values"}], "lost_key_ranges", "verified"}], "lost_and_found_rows",
    // "undecided_rows": [{"tables", "rows"}], "index_entries_apart", "objects_not_rebuilt", "schema_copy", "unread_schema_copy",
    // "source_sound", "schema_read", "log_commits_unreadable", "nothing_lost"}, UTF-8; unknown counts and absent names are null.
    std::string json() const;
};
