// The map of a database's pages, read once from its own bytes: which b-tree, if any, each page
// belongs to (a table's or an index's, reached from its root in the schema), which the free-space
// list names, which are the pointer map's, and what the pages nothing reaches still hold. It also
// gives each b-tree's shape: the widest record it holds and its key range. The jobs weigh SQLite's
// check against it: a page no b-tree reaches may be freed space or a table's lost rows, and a
// b-tree holding records wider than its table is not that table's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/wide_string.h"

class rg_MoKuai_class_sqliteShuJuKu;

// An object of a database's schema.
struct SchemaObject {
    std::string type;        // "table", "index", "view", "trigger"
    WideString name;
    WideString table;        // the table an index belongs to; the table itself for a table
    std::int64_t rootPage;   // 0 for objects without a b-tree
};

// Every object of the database's schema, SQLite's own tables too, in schema order; as far as it
// could be read.
std::vector<SchemaObject> readSchemaObjects(rg_MoKuai_class_sqliteShuJuKu& database);

class SourceMap {
public:
    // What a b-tree holds, from the pages reached from its root.
    struct TreeShape {
        std::int64_t pages = 0;
        std::int64_t widestRecord = 0;   // the most fields of any record in it
        bool hasKeys = false;            // a table b-tree's rowids, lowest and highest
        std::int64_t lowestKey = 0;
        std::int64_t highestKey = 0;
        bool isIndexKind = false;        // its root is an index page: an index, or a table without rowid
    };
    // A b-tree page that no b-tree and not the free-space list reaches, and what its cells hold.
    struct LoosePage {
        std::int64_t page = 0;
        unsigned char kind = 0;          // its b-tree page kind (page_format's constants)
        std::int64_t widestRecord = 0;
        std::vector<std::int64_t> keys;  // a table page's rowids
    };

    // Reads every page of the database attached as schema ("main", "src") through sqlite_dbpage,
    // in one scan, and maps it against the objects' roots (the schema's own b-tree, page 1, is
    // added). False when the file's pages cannot be read; the map is then empty.
    bool read(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, const std::vector<SchemaObject>& objects);

    // The shape of the b-tree of objects[object], as passed to read.
    const TreeShape& treeOf(std::size_t object) const { return trees.at(object); }
    // Pages that b-tree pages no b-tree reaches; every other unowned page is counted only.
    const std::vector<LoosePage>& loosePages() const { return loose; }
    std::int64_t unreachedPageCount() const { return unreached; }
    // Whether page belongs to a b-tree and whether the free-space list names it; a page both claim
    // is the b-tree's (the list's claim is its damage).
    bool isTreePage(std::int64_t page) const;
    bool isNamedByFreeList(std::int64_t page) const;
    // The free pages the file header promises against those the list still reaches; a list whose
    // walk ends where it should (its last trunk, valid pages, sane counts) lost none, whatever the
    // header's count says.
    std::int64_t freePagesLost() const;
    std::int64_t pageCount() const { return static_cast<std::int64_t>(owners.size()); }

private:
    enum class Owner : unsigned char { none, tree, freeList, pointerMap, lockByte };
    void walkTree(std::size_t object, std::int64_t root);
    void walkFreeList(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, std::int64_t firstTrunk);

    std::vector<Owner> owners;                   // by page number - 1
    std::vector<unsigned char> namedByFreeList;  // by page number - 1
    std::vector<TreeShape> trees;                // by object
    std::vector<LoosePage> loose;
    std::int64_t unreached = 0;
    std::int64_t freePagesPromised = 0;
    std::int64_t freePagesReached = 0;
    bool isFreeListWhole = true;

    // What the scan kept of each page, for the walks: its kind, its first four bytes (an overflow
    // page's next page), its links (an interior page's children and every cell's first overflow
    // page, back to back from linkStart), its widest record and its keys.
    struct PageSummary {
        unsigned char kind = 0;
        std::uint32_t firstWord = 0;
        std::int32_t widestRecord = 0;
        bool hasKeys = false;
        std::int64_t lowestKey = 0;
        std::int64_t highestKey = 0;
        std::uint32_t linkStart = 0;
        std::uint32_t linkCount = 0;
    };
    std::vector<PageSummary> summaries;
    std::vector<std::uint32_t> links;
};
