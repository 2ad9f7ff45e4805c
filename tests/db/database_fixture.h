// What the database tests share: a scratch folder, a database object connected to a file in it,
// and a record of the object's diagnostics.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "db/database.h"
#include "support/temp_folder.h"

struct Diagnostic {
    std::int32_t kind;
    WideString label;
    WideString message;
};

// Records every onMessage of one database object, from any thread.
class MessageLog {
public:
    explicit MessageLog(rg_MoKuai_class_sqliteShuJuKu& database) {
        database.onMessage.subscribe(receiver, 0, [this](rg_MoKuai_class_sqliteShuJuKu&, std::int32_t, std::int32_t kind,
                                                         const WideString& label, const WideString& message) {
            std::lock_guard<std::mutex> guard(lock);
            entries.push_back(Diagnostic{kind, label, message});
            return 0;
        });
    }
    std::vector<Diagnostic> take() {
        std::lock_guard<std::mutex> guard(lock);
        return std::exchange(entries, {});
    }

private:
    std::mutex lock;
    std::vector<Diagnostic> entries;
    EventTarget receiver;
};

// Text of a diagnostic list for failure messages.
inline std::string describe(const std::vector<Diagnostic>& diagnostics) {
    std::string text;
    for (const Diagnostic& d : diagnostics)
        text += std::to_string(d.kind) + " " + toUtf8(d.label) + " " + toUtf8(d.message) + "\n";
    return text;
}

// Expects exactly one diagnostic since the last take, with these parts.
inline void expectOneDiagnostic(MessageLog& log, std::int32_t kind, std::u16string_view label, std::u16string_view line) {
    const std::vector<Diagnostic> diagnostics = log.take();
    ASSERT_EQ(1u, diagnostics.size()) << describe(diagnostics);
    EXPECT_EQ(kind, diagnostics[0].kind);
    EXPECT_EQ(label, diagnostics[0].label);
    EXPECT_EQ(line, diagnostics[0].message);
}

// Tables whose foreign key is checked only at COMMIT: with PRAGMA foreign_keys = ON on the writing
// connection, a transaction that inserts an orphan into child fails at its COMMIT.
inline const StringArray kDeferredForeignKeyTables = {
    u"CREATE TABLE parent(id INTEGER PRIMARY KEY)",
    u"CREATE TABLE child(parent_id REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED)"};

// A database object connected to "test.db" in a fresh folder, with its diagnostics recorded.
class DatabaseTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(database.connect(databasePath)) << "SQLite library or writer mutex missing"; }

    // Runs statements as one batch under the writer lock; true when it committed.
    bool write(const StringArray& statements) {
        database.lock(0);
        const bool committed = database.execBatch(statements);
        database.unlock(0);
        return committed;
    }
    // The first column of the first row as text, or "(failed)".
    std::string field(const WideString& statement) {
        WideString value;
        return database.queryField(statement, value) ? toUtf8(value) : "(failed)";
    }

    TempFolder folder;
    const WideString databasePath = folder / u"test.db";
    rg_MoKuai_class_sqliteShuJuKu database;
    MessageLog messages{database};
};
