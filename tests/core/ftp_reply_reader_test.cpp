#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/core/reply_reader.h"

namespace {

struct LogRecorder : ReplyLogSink {
    std::vector<std::string> lines;
    void OnReplyLogLine(const char* line, uint32_t length) override { lines.emplace_back(line, length); }
};

// What the reads of one control connection gave: the first reply line, the
// read that completed it (-1: none) and the lines logged up to then.
struct Outcome {
    std::string reply;
    bool cut = false;
    int readIndex = -1;
    std::vector<std::string> log;
};

Outcome FeedReads(const std::vector<std::string>& reads) {
    ReplyReader reader;
    LogRecorder log;
    Outcome out;
    for (size_t i = 0; i < reads.size(); ++i) {
        if (reader.Feed(reads[i].data(), uint32_t(reads[i].size()), &log)) {
            out.reply.assign(reader.Reply(), reader.ReplyLength());
            out.cut = reader.ReplyCut() != 0;
            EXPECT_EQ(std::string(reader.Reply()), out.reply) << "reply text is terminated";
            out.readIndex = int(i);
            break;
        }
    }
    out.log = log.lines;
    return out;
}

struct ReplyCase {
    const char* name;
    std::vector<std::string> reads;
    const char* reply;  // "" : no reply line
    int readIndex;
    std::vector<std::string> log;
};

const std::vector<ReplyCase>& ReplyCases() {
    static const std::vector<ReplyCase> cases = {
        {"multi-line 230 in one read",
         {"230-Welcome\r\n230-Be nice\r\n230 Logged in\r\n"},
         "230 Logged in", 0, {"230-Welcome", "230-Be nice", "230 Logged in"}},
        {"multi-line 230 split at a line end",
         {"230-Welcome\r\n230-Be nice\r\n", "230 Logged in\r\n"},
         "230 Logged in", 1, {"230-Welcome", "230-Be nice", "230 Logged in"}},
        {"lone 150 ends nothing", {"150 Opening BINARY mode data connection\r\n"}, "", -1,
         {"150 Opening BINARY mode data connection"}},
        {"150 then 226 in a later read", {"150 Here it comes\r\n", "226 Transfer complete\r\n"},
         "226 Transfer complete", 1, {"150 Here it comes", "226 Transfer complete"}},
        {"331 to USER", {"331 Password required for bob\r\n"}, "331 Password required for bob", 0,
         {"331 Password required for bob"}},
        {"530 to PASS", {"530 Login incorrect.\r\n"}, "530 Login incorrect.", 0, {"530 Login incorrect."}},
        {"final line cut after its first digits",
         {"220-Hello\r\n22", "0 Ready\r\n"}, "220 Ready", 1, {"220-Hello", "220 Ready"}},
        {"final line cut in three reads", {"2", "2", "0 Ready\r\n"}, "220 Ready", 2, {"220 Ready"}},
        {"continuation line cut in two", {"230-Wel", "come\r\n230 In\r\n"}, "230 In", 1,
         {"230-Welcome", "230 In"}},
        {"cut between CR and LF", {"230-A\r", "\n230 B\r\n"}, "230 B", 1, {"230-A", "230 B"}},
        {"two replies in one read: only the first counts", {"226 Done\r\n221 Goodbye\r\n"}, "226 Done", 0,
         {"226 Done"}},
        {"runs of CR and LF, LF alone", {"\r\n\r\n\n200 OK\n\r"}, "200 OK", 0, {"200 OK"}},
        {"text lines before the reply", {"Hello there\r\n257 \"/pub\" is current\r\n"},
         "257 \"/pub\" is current", 0, {"Hello there", "257 \"/pub\" is current"}},
        {"look-alikes are not reply lines", {"2000 x\r\n200-x\r\n600 x\r\n20 x\r\n1xx x\r\n200\r\n"}, "", -1,
         {"2000 x", "200-x", "600 x", "20 x", "1xx x", "200"}},
        {"a line not yet ended is not judged", {"200 OK"}, "", -1, {}},
    };
    return cases;
}

}  // namespace

TEST(ReplyReader, TableAsGivenReads) {
    for (const ReplyCase& c : ReplyCases()) {
        SCOPED_TRACE(c.name);
        Outcome out = FeedReads(c.reads);
        EXPECT_EQ(out.reply, c.reply);
        EXPECT_EQ(out.readIndex, c.readIndex);
        EXPECT_EQ(out.log, c.log);
    }
}

// Where the reads end must not change the reply nor the log up to it.
TEST(ReplyReader, TableSplitAtEveryOffset) {
    for (const ReplyCase& c : ReplyCases()) {
        std::string all;
        for (const std::string& r : c.reads) all += r;
        Outcome whole = FeedReads({all});
        for (size_t cut = 0; cut <= all.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            Outcome split = FeedReads({all.substr(0, cut), all.substr(cut)});
            EXPECT_EQ(split.reply, whole.reply);
            EXPECT_EQ(split.log, whole.log);
        }
    }
}

TEST(ReplyReader, LinesAfterTheReplyAreNotCarried) {
    ReplyReader reader;
    LogRecorder log;
    std::string first = "200 OK\r\n22";
    ASSERT_EQ(reader.Feed(first.data(), uint32_t(first.size()), &log), 1);
    EXPECT_EQ(reader.CarriedLength(), 0u);
    // The dropped "22" does not join "0 next": that line is no reply line.
    std::string second = "0 next\r\n";
    EXPECT_EQ(reader.Feed(second.data(), uint32_t(second.size()), &log), 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"200 OK", "0 next"}));
}

TEST(ReplyReader, KeptLineIsBounded) {
    // A line of up to kMaxCarry bytes waits for its end, over many reads.
    std::string fits = "230 " + std::string(ReplyReader::kMaxCarry - 4, 'x');
    Outcome waited = FeedReads({fits, "\r\n"});
    EXPECT_EQ(waited.readIndex, 1);
    EXPECT_EQ(waited.reply, fits);
    EXPECT_FALSE(waited.cut);
    std::vector<std::string> small;
    for (size_t at = 0; at < fits.size(); at += 1023) small.push_back(fits.substr(at, 1023));
    small.push_back("\r\n");
    Outcome inPieces = FeedReads(small);
    EXPECT_EQ(inPieces.reply, fits);
    EXPECT_FALSE(inPieces.cut);

    // A longer one is judged at once, and says it was cut.
    std::string tooLong = "230 " + std::string(ReplyReader::kMaxCarry, 'x');
    Outcome atOnce = FeedReads({tooLong});
    EXPECT_EQ(atOnce.readIndex, 0);
    EXPECT_EQ(atOnce.reply, tooLong.substr(0, ReplyReader::kMaxLine));
    EXPECT_TRUE(atOnce.cut);

    // Growing past the bound in a later read: judged in that read, cut.
    Outcome grown = FeedReads({"230 abc", std::string(ReplyReader::kMaxCarry, 'y')});
    EXPECT_EQ(grown.readIndex, 1);
    EXPECT_EQ(grown.reply, ("230 abc" + std::string(ReplyReader::kMaxCarry, 'y')).substr(0, ReplyReader::kMaxLine));
    EXPECT_TRUE(grown.cut);

    ReplyReader reader;
    ASSERT_EQ(reader.Feed(fits.data(), uint32_t(fits.size()), nullptr), 0);
    EXPECT_EQ(reader.CarriedLength(), ReplyReader::kMaxCarry);
    reader.Reset();
    EXPECT_EQ(reader.CarriedLength(), 0u);
}

TEST(ReplyReader, HugeLinesAreCutForTheLogAndTheReply) {
    std::string huge = "550 " + std::string(3 * ReplyReader::kMaxLine, 'z') + "\r\n";
    Outcome out = FeedReads({huge});
    EXPECT_EQ(out.reply.size(), ReplyReader::kMaxLine);
    EXPECT_TRUE(out.cut);
    ASSERT_EQ(out.log.size(), 1u);
    EXPECT_EQ(out.log[0].size(), ReplyReader::kMaxLine);
}

TEST(ReplyReader, AReplyWithoutEndIsTooLong) {
    // "230-" lines without end, in 1023-byte reads as the session reads
    // them: too long once more than kMaxReplyBytes came without a reply line.
    std::string flood;
    while (flood.size() < ReplyReader::kMaxReplyBytes + 4096) flood += "230-and more\r\n";
    ReplyReader reader;
    uint32_t fed = 0;
    bool flagged = false;
    for (size_t at = 0; at < flood.size(); at += 1023) {
        std::string read = flood.substr(at, 1023);
        ASSERT_EQ(reader.Feed(read.data(), uint32_t(read.size()), nullptr), 0);
        fed += uint32_t(read.size());
        if (reader.TooLong() && !flagged) {
            flagged = true;
            EXPECT_GT(fed, ReplyReader::kMaxReplyBytes);
            EXPECT_LE(fed, ReplyReader::kMaxReplyBytes + 1023);
        }
    }
    EXPECT_TRUE(flagged);

    // A long banner below the bound still ends with its reply line, and the
    // count starts again after it.
    ReplyReader banner;
    std::string lines;
    while (lines.size() < ReplyReader::kMaxReplyBytes - 2048) lines += "220-Welcome to the archive\r\n";
    for (size_t at = 0; at < lines.size(); at += 1023) {
        std::string read = lines.substr(at, 1023);
        banner.Feed(read.data(), uint32_t(read.size()), nullptr);
    }
    EXPECT_FALSE(banner.TooLong());
    ASSERT_EQ(banner.Feed("220 Ready.\r\n", 12, nullptr), 1);
    for (size_t at = 0; at < lines.size(); at += 1023) {
        std::string read = lines.substr(at, 1023);
        banner.Feed(read.data(), uint32_t(read.size()), nullptr);
    }
    EXPECT_FALSE(banner.TooLong());
}

TEST(ReplyReader, EmptyAndNullReadsChangeNothing) {
    ReplyReader reader;
    ASSERT_EQ(reader.Feed("22", 2, nullptr), 0);
    EXPECT_EQ(reader.Feed(nullptr, 5, nullptr), 0);
    EXPECT_EQ(reader.Feed("", 0, nullptr), 0);
    ASSERT_EQ(reader.Feed("0 ok\r\n", 6, nullptr), 1);
    EXPECT_STREQ(reader.Reply(), "220 ok");
}

TEST(ReplyClassification, PositiveAndNegative) {
    struct Row {
        const char* line;
        uint16_t reply, positive, negative;
    } rows[] = {
        {"200 OK", 1, 1, 0},     {"331 Need password", 1, 1, 0}, {"350 Go on", 1, 1, 0},
        {"421 Timeout", 1, 0, 1}, {"530 Not logged in", 1, 0, 1}, {"150 Opening", 0, 0, 0},
        {"230-Hello", 0, 0, 0},   {"23", 0, 0, 0},                {"", 0, 0, 0},
        {"2a0 x", 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        uint32_t n = uint32_t(std::string(r.line).size());
        EXPECT_EQ(IsReplyLine(r.line, n), r.reply);
        EXPECT_EQ(IsPositiveReply(r.line, n), r.positive);
        EXPECT_EQ(IsNegativeReply(r.line, n), r.negative);
    }
    EXPECT_EQ(IsReplyLine(nullptr, 4), 0);
}

TEST(HeldReply, NegativeFirstByteAndFirstLine) {
    struct Row {
        std::string peeked;
        uint16_t negative;
        uint32_t firstLine;
    } rows[] = {
        {"550 No such file\r\n226 x\r\n", 1, 16},
        {"451 Aborted\n", 1, 11},
        {"226 Transfer complete\r\n", 0, 21},
        {"150 Opening", 0, 11},
        {"\r\n550 late", 0, 0},
        {"", 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.peeked);
        EXPECT_EQ(IsHeldReplyNegative(r.peeked.data(), uint32_t(r.peeked.size())), r.negative);
        EXPECT_EQ(FirstLineLength(r.peeked.data(), uint32_t(r.peeked.size())), r.firstLine);
    }
    EXPECT_EQ(IsHeldReplyNegative(nullptr, 3), 0);
    EXPECT_EQ(FirstLineLength(nullptr, 3), 0u);
}
