// The row digest folds rows inside SQLite: the same rows give the same digest in any order, and a
// row that differs in any value's storage class or bytes gives another.
#include <gtest/gtest.h>

#include <optional>

#include "db/database.h"
#include "support/temp_folder.h"

namespace {

// The digest of the rows of a VALUES list, folded on a database being built, as the repair folds
// the rows of a rebuilt table; nothing when the statement fails.
std::optional<RowDigest> digestOf(const WideString& rows) {
    TempFolder folder;
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectForBuilding(folder / u"built.db", BuildSettings{});
    RowDigest digest;
    std::optional<std::int64_t> counted;
    {
        const WriterLock lock(database);
        counted = database.queryInteger(u"SELECT count(dovrane_fold(?1, 1, column1, column2)) FROM (VALUES " + rows + u")", {}, &digest);
    }
    (void)database.close();
    if (!counted || *counted != digest.rows) return std::nullopt;
    return digest;
}

TEST(RowDigest, theSameRowsInAnyOrderAgreeAndAnyChangedValueDiffers) {
    const WideString rows = u"(1, 'a'), (2, X'00FF'), (3, NULL), (4, 2.5), (5, '')";
    const std::optional<RowDigest> digest = digestOf(rows);
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(5, digest->rows);
    EXPECT_EQ(digest, digestOf(u"(5, ''), (3, NULL), (1, 'a'), (4, 2.5), (2, X'00FF')"));
    const struct { const char* what; const char16_t* rows; } changed[] = {
        {"one row fewer", u"(1, 'a'), (2, X'00FF'), (3, NULL), (4, 2.5)"},
        {"one row more", u"(1, 'a'), (2, X'00FF'), (3, NULL), (4, 2.5), (5, ''), (6, '')"},
        {"text for a blob of the same bytes", u"(1, 'a'), (2, CAST(X'00FF' AS TEXT)), (3, NULL), (4, 2.5), (5, '')"},
        {"an integer for a text", u"(1, 1), (2, X'00FF'), (3, NULL), (4, 2.5), (5, '')"},
        {"empty text for NULL", u"(1, 'a'), (2, X'00FF'), (3, ''), (4, 2.5), (5, '')"},
        {"an integer for a whole real", u"(1, 'a'), (2, X'00FF'), (3, NULL), (4, 2.5), (5.0, '')"},
        {"a value moved to another row", u"(1, ''), (2, X'00FF'), (3, NULL), (4, 2.5), (5, 'a')"},
        {"two values swapped within a row", u"('a', 1), (2, X'00FF'), (3, NULL), (4, 2.5), (5, '')"},
    };
    for (const auto& c : changed) EXPECT_NE(digest, digestOf(c.rows)) << c.what;
    EXPECT_NE(digestOf(u"(0.0, 0)"), digestOf(u"(-0.0, 0)"));
}

// An integer where the digest belongs, not the pointer the repair binds: the function refuses.
TEST(RowDigest, aStatementWithoutADigestBoundFails) {
    TempFolder folder;
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectForBuilding(folder / u"built.db", BuildSettings{});
    const WriterLock lock(database);
    const TypedValue nothing[] = {integerValue(0)};
    EXPECT_FALSE(database.queryInteger(u"SELECT dovrane_fold(?1, 1, 2)", nothing).has_value());
}

}  // namespace
