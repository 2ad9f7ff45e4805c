#include "salvage/schema_copy.h"

#include "db/database.h"

namespace {

bool exists(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& name) {
    const std::string utf8 = toUtf8(name);
    const TypedValue parameter[] = {textValue(utf8)};
    return database.queryInteger(u"SELECT count(*) FROM main.sqlite_schema WHERE name = ?1", parameter).value_or(0) > 0;
}

}  // namespace

bool SchemaCopy::read(const WideString& copyPath) {
    rg_MoKuai_class_sqliteShuJuKu copy;
    TypedPage rows;
    if (!copy.connectReadOnly(copyPath) ||
        !copy.queryPage(u"SELECT type, name, rootpage, sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                        u"ORDER BY rowid",
                        rows))
        return false;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        Object object{std::string(rows.value(row, 0).bytes), fromUtf8(rows.value(row, 1).bytes), fromUtf8(rows.value(row, 3).bytes)};
        if (object.type == "table") roots[object.name] = rows.value(row, 2).integer;
        objects.push_back(std::move(object));
    }
    return !roots.empty();
}

void SchemaCopy::createTables(rg_MoKuai_class_sqliteShuJuKu& salvaged) const {
    // A virtual table creates its own shadow tables, which the copy lists after it.
    // Indexes come with them: an orphaned index's entries are told from rows by matching them.
    for (const std::string_view type : {"table", "index"})
        for (const Object& object : objects)
            if (object.type == type && !exists(salvaged, object.name)) (void)salvaged.execSql(object.statement);   // one that fails is named later
}

StringArray SchemaCopy::createTheRest(rg_MoKuai_class_sqliteShuJuKu& salvaged) const {
    StringArray notCreated;
    for (const std::string_view type : {"table", "index", "view", "trigger"})
        for (const Object& object : objects)
            if (object.type == type && !exists(salvaged, object.name) && (type == "table" || !salvaged.execSql(object.statement)))
                notCreated.push_back(object.name);
    return notCreated;
}
