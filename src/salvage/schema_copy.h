// A schema from another copy of the same program's database, for a source whose own schema page
// is lost: every b-tree then survives without a name. The copy's tables are created in the
// salvaged database so that the orphaned b-trees' rows find them by shape and key; its indexes,
// views and triggers follow once the rows are in.
#pragma once

#include <cstdint>
#include <map>

#include "base/wide_string.h"

class rg_MoKuai_class_sqliteShuJuKu;

class SchemaCopy {
public:
    // Reads the schema of the database at copyPath, opened read-only; false when it holds no table.
    bool read(const WideString& copyPath);
    // Creates the copy's tables that the salvaged database lacks.
    void createTables(rg_MoKuai_class_sqliteShuJuKu& salvaged) const;
    // Creates its indexes, views and triggers; the names of those that could not be created.
    StringArray createTheRest(rg_MoKuai_class_sqliteShuJuKu& salvaged) const;
    // Where each table's b-tree started in the copy: a program that made both files the same way
    // often put them on the same pages.
    const std::map<WideString, std::int64_t>& rootPages() const { return roots; }

private:
    struct Object {
        std::string type;
        WideString name;
        WideString statement;
    };
    std::vector<Object> objects;
    std::map<WideString, std::int64_t> roots;
};
