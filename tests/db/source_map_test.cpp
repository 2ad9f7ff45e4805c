// The map of a database's pages: every page of a sound file has its owner, each b-tree its shape,
// and pages lost to a damaged b-tree or a broken free-space list are told apart.
#include <gtest/gtest.h>

#include "db/database.h"
#include "db/page_format.h"
#include "db/source_map.h"
#include "fixtures/damaged_database.h"
#include "fixtures/tree_edits.h"
#include "support/temp_folder.h"

namespace {

const StringArray kNotes = {u"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, extra BLOB)", u"CREATE INDEX notes_body ON notes (body)",
                            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                            u"INSERT INTO notes (id, body) SELECT i * 2, printf('note %05d %.60c', i, 'x') FROM n",
                            u"UPDATE notes SET extra = randomblob(20000) WHERE id = 10",
                            u"CREATE TABLE scratch (body TEXT)",
                            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) INSERT INTO scratch SELECT printf('%.300c', 'x') FROM n",
                            u"DROP TABLE scratch"};

struct Mapped {
    rg_MoKuai_class_sqliteShuJuKu database;
    std::vector<SchemaObject> objects;
    SourceMap map;
    bool read(const WideString& path) {
        if (!database.connectReadOnly(path)) return false;
        objects = readSchemaObjects(database);
        return map.read(database, "main", objects);
    }
    const SourceMap::TreeShape& tree(const WideString& name) const {
        for (std::size_t object = 0; object < objects.size(); ++object)
            if (objects[object].name == name) return map.treeOf(object);
        throw std::out_of_range("no such object");
    }
};

TEST(SourceMap, everyPageOfASoundFileHasItsOwnerAndEachTreeItsShape) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, kNotes));
    Mapped mapped;
    ASSERT_TRUE(mapped.read(path));
    EXPECT_EQ(0, mapped.map.unreachedPageCount());
    EXPECT_TRUE(mapped.map.loosePages().empty());
    EXPECT_EQ(0, mapped.map.freePagesLost());
    const SourceMap::TreeShape& notes = mapped.tree(u"notes");
    EXPECT_EQ(3, notes.widestRecord);
    EXPECT_TRUE(notes.hasKeys);
    EXPECT_EQ(2, notes.lowestKey);
    EXPECT_EQ(6000, notes.highestKey);
    EXPECT_FALSE(notes.isIndexKind);
    EXPECT_EQ(2, mapped.tree(u"notes_body").widestRecord);   // the value and the rowid
    EXPECT_TRUE(mapped.tree(u"notes_body").isIndexKind);
    std::int64_t treePages = 1;   // the schema's own
    for (std::size_t object = 0; object < mapped.objects.size(); ++object) treePages += mapped.map.treeOf(object).pages;
    std::int64_t freePages = 0;
    for (std::int64_t page = 1; page <= mapped.map.pageCount(); ++page) freePages += mapped.map.isNamedByFreeList(page) ? 1 : 0;
    EXPECT_GT(freePages, 0);
    EXPECT_EQ(mapped.map.pageCount(), treePages + freePages);   // the 20 KB value's overflow pages are the tree's
}

TEST(SourceMap, pagesLostToATreeAreToldFromPagesLostToTheFreeList) {
    struct Case {
        const char* what;
        bool (*damage)(const WideString& path);
        bool listLostPages;
        bool treeLostALeaf;
    };
    const Case cases[] = {
        {"a leaf cut off its root", [](const WideString& path) { return dropRootChild(path, u"notes") > 0; }, false, true},
        {"the free-page count one higher", [](const WideString& path) { return addToFreePageCount(path, 1); }, false, false},
        {"a trunk's count of leaves garbled", garbleFreeList, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeDatabase(path, kNotes));
        ASSERT_TRUE(c.damage(path));
        Mapped mapped;
        ASSERT_TRUE(mapped.read(path));
        EXPECT_EQ(c.listLostPages, mapped.map.freePagesLost() > 0);
        std::int64_t looseLeaves = 0;
        for (const SourceMap::LoosePage& page : mapped.map.loosePages()) {
            if (page.kind != page_format::kTableLeaf || page.widestRecord != 3) continue;
            ++looseLeaves;
            EXPECT_FALSE(page.keys.empty());
            for (const std::int64_t key : page.keys) EXPECT_EQ(0, key % 2);   // rows of notes
        }
        EXPECT_EQ(c.treeLostALeaf ? 1 : 0, looseLeaves);
        if (c.listLostPages) {
            EXPECT_LE(mapped.map.unreachedPageCount(), mapped.map.freePagesLost());
        }
    }
}

}  // namespace
