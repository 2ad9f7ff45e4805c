// The frames that earlier generations of a -wal leave behind the point where SQLite stops reading
// it: after a checkpoint SQLite starts the log again from its first frame under new salts, so the
// frames of a longer earlier log stay behind the new ones. They are stale only when a finished
// checkpoint wrote what they committed into the main file; otherwise their commits are lost.
// Memory stays flat: a page of the log and one of the main file, and a page number and offset for
// each page the runs commit.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <unordered_set>
#include <vector>

#include "base/wide_string.h"
#include "db/log_format.h"

class EarlierGenerations {
public:
    // For the log at logPath (a database's path + "-wal") whose header names pageBytes and the byte
    // order of its checksums. The main file is opened only when a page has to be compared.
    EarlierGenerations(const WideString& logPath, std::uint32_t pageBytes, bool bigEndianWords);

    // Takes a frame SQLite reads, in log order: the pages of its committed transactions supersede
    // every earlier image of them, and the last commit names the database's size.
    void takeReadFrame(const unsigned char* frame);
    // Takes a frame behind the stop under salts other than the header's, at offset in the log, in
    // log order. The frames under one salt pair make one run: a generation newer than the runs after
    // it. A run commits what its frames up to its last commit frame write, as far as the running
    // checksums from frame to frame hold; its first frame continues one that a newer generation
    // overwrote and is taken unchecked.
    void takeEarlierFrame(const unsigned char* frame, std::uint64_t offset);
    // Ends the run that takes the frames of one salt pair: at a frame of the header's salts, and at
    // the end of the log.
    void endRun();
    // The newest run with a committed page that no newer frame in the log rewrites, and that lies
    // within the database, has such a page the main file does not hold. The runs behind that one are
    // not compared: SQLite started it only once a checkpoint had written all of them.
    bool hasUnreadableCommits() const { return verdict == Verdict::unreadable; }

private:
    enum class Verdict { open, stale, unreadable };
    struct Run {
        std::uint8_t salts[log_format::kSaltBytes] = {};
        log_format::Checksum lastStored;   // the checksum stored in the run's frame before
        bool hasFrame = false;
        bool isBroken = false;             // a frame failed the chain: no later frame of the run counts
        std::map<std::uint32_t, std::uint64_t> uncommitted;   // page -> offset, since the last commit
        std::map<std::uint32_t, std::uint64_t> lastImages;    // page -> offset of its last committed image
        std::uint32_t databasePages = 0;                      // after the run's last commit
    };

    void judge();
    bool mustMainFileHold(std::uint32_t page, const Run& earlierRun) const;
    bool mainFileHolds(std::uint32_t page, std::uint64_t offset);

    WideString logPath;
    std::uint32_t pageBytes;
    bool bigEndianWords;
    std::unordered_set<std::uint32_t> newerPages;   // pages a newer frame the log holds rewrites
    std::vector<std::uint32_t> uncommittedReadPages;
    std::uint32_t databasePages = 0;                // after the last commit SQLite reads; 0: none read
    Run run;
    Verdict verdict = Verdict::open;
    std::ifstream log;
    std::ifstream mainFile;
    std::vector<unsigned char> logPage;
    std::vector<unsigned char> mainPage;
};
