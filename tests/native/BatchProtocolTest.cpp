#include "metadata/BatchReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using batch::BatchReader;
using State = BatchReader::State;

const std::string kToken = "k3y0f1hisrunabcdefghij0123456789";

std::string Handshake()
{
    return batch::HandshakeLine(kToken) + "\r\n";
}

std::string End()
{
    return batch::EndLine(kToken) + "\r\n";
}

std::vector<MetaField> OneFile(const std::string& listing, const ListingLimits& limits = {})
{
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    reader.Feed(listing);
    reader.End();
    return fields;
}

bool SameFields(const std::vector<MetaField>& a, const std::vector<MetaField>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].value != b[i].value)
            return false;
    return true;
}

// The tool's side of a batch: the handshake, then each answer only once its path was sent. Each
// part is fed in pieces of `step` bytes.
std::vector<std::vector<MetaField>> ReadAnswers(const std::vector<std::string>& answers, std::size_t step,
                                                const ListingLimits& limits, State& finalState)
{
    BatchReader reader(kToken, limits);
    auto feed = [&](const std::string& part) {
        for (std::size_t at = 0; at < part.size(); at += step)
            reader.Feed(part.substr(at, step));
    };
    feed(Handshake());
    std::vector<std::vector<MetaField>> result(answers.size());
    for (std::size_t i = 0; i < answers.size() && reader.CurrentState() == State::Idle; ++i) {
        reader.BeginAnswer(result[i]);
        feed(answers[i]);
        reader.FinishAnswer();
    }
    finalState = reader.CurrentState();
    return result;
}

TEST(BatchProtocol, TokensAndLinesCannotBeFields)
{
    EXPECT_TRUE(batch::IsValidToken(kToken));
    EXPECT_FALSE(batch::IsValidToken("short"));
    EXPECT_FALSE(batch::IsValidToken("has:colon0123456789abcdef"));
    EXPECT_FALSE(batch::IsValidToken("has space0123456789abcdef"));
    EXPECT_FALSE(batch::IsValidToken(std::string(65, 'a')));
    MetaField field;
    EXPECT_FALSE(ParseListingLine(batch::HandshakeLine(kToken), field));
    EXPECT_FALSE(ParseListingLine(batch::EndLine(kToken), field));
    EXPECT_TRUE(batch::PathFitsBatch("C:\\photos\\a b.cr2"));
    EXPECT_FALSE(batch::PathFitsBatch(""));
    EXPECT_FALSE(batch::PathFitsBatch("C:\\photos\\a\nb.cr2"));
    EXPECT_FALSE(batch::PathFitsBatch("C:\\photos\\a\rb.cr2"));
    EXPECT_FALSE(batch::PathFitsBatch(std::string("C:\\a\0b", 6)));
}

TEST(BatchProtocol, AnswersEqualOneFileListingsWhereverTheReadsSplitThem)
{
    const std::vector<std::string> listings = {
            "ExifTool Version Number         : 12.40\r\n"
            "Date/Time Original              : 2010:07:15 14:03:09\r\n"
            "Thumbnail Image : (Binary data 4 bytes, use -b option to extract)\r\n"
            "no colon here\r\n\r\n   : no name\r\nMake: Cam\r\n",
            "",
            "Orientation : Rotate 270 CW\nOrientation : Second\n",
            std::string("Comment : a\0b : c\r\n", 19),
            "Make : kept\nUnfinished : no line break",
    };
    std::vector<std::string> answered;
    for (const std::string& listing : listings)
        answered.push_back(listing + End());
    EXPECT_EQ(OneFile(listings.back()).size(), 1u);
    for (std::size_t step = 1; step <= 200; ++step) {
        SCOPED_TRACE(step);
        State state;
        const auto answers = ReadAnswers(answered, step, {}, state);
        EXPECT_EQ(state, State::Idle);
        for (std::size_t i = 0; i < listings.size(); ++i)
            EXPECT_TRUE(SameFields(answers[i], OneFile(listings[i]))) << i;
    }
}

// Every answer begun before any is read, as when paths go to the tool ahead; the answers then
// arrive back to back in one stream, fed in pieces of `step` bytes.
std::vector<std::vector<MetaField>> ReadAnswersAhead(const std::vector<std::string>& answers,
                                                     std::size_t step, const ListingLimits& limits,
                                                     std::vector<batch::AnswerFacts>& facts,
                                                     State& finalState)
{
    BatchReader reader(kToken, limits);
    std::string stream = Handshake();
    reader.Feed(stream);
    std::vector<std::vector<MetaField>> result(answers.size());
    facts.assign(answers.size(), {});
    for (std::size_t i = 0; i < answers.size(); ++i) {
        reader.BeginAnswer(result[i], &facts[i]);
        EXPECT_EQ(reader.Outstanding(), i + 1);
    }
    stream.clear();
    for (const std::string& answer : answers)
        stream += answer;
    for (std::size_t at = 0; at < stream.size(); at += step)
        reader.Feed(std::string_view(stream).substr(at, step));
    finalState = reader.CurrentState();
    return result;
}

TEST(BatchProtocol, AnswersBegunAheadTakeTheirOwnLinesWhereverTheReadsSplitThem)
{
    ListingLimits limits;
    limits.maxKeptBytes = 300;
    std::string flood;
    for (int i = 0; i < 40; ++i)
        flood += "Field" + std::to_string(i) + " : value\r\n";
    const std::vector<std::string> listings = {
            "Make : first\r\nModel : one\r\n",
            "",
            flood,
            "Make : fourth\nUnfinished : no line break",
            "Make : fifth\r\n",
    };
    std::vector<std::string> answers;
    for (const std::string& listing : listings)
        answers.push_back(listing + End());
    for (std::size_t step = 1; step <= 120; ++step) {
        SCOPED_TRACE(step);
        State state;
        std::vector<batch::AnswerFacts> facts;
        const auto read = ReadAnswersAhead(answers, step, limits, facts, state);
        EXPECT_EQ(state, State::AnswerDone);
        for (std::size_t i = 0; i < listings.size(); ++i) {
            EXPECT_TRUE(SameFields(read[i], OneFile(listings[i], limits))) << i;
            EXPECT_TRUE(facts[i].done) << i;
        }
        // Each answer has its own budget and its own count of what it could not keep.
        EXPECT_GT(facts[2].fieldsOverBudget, 0u);
        EXPECT_EQ(facts[4].fieldsOverBudget, 0u);
        EXPECT_EQ(facts[4].keptBytes, OneFile(listings[4], limits).size() * sizeof(MetaField) + 9);
    }
    // An answer not ended yet is not done, and the ones after it have no lines yet.
    State state;
    std::vector<batch::AnswerFacts> facts;
    const auto read = ReadAnswersAhead({answers[0], listings[4]}, 3, limits, facts, state);
    EXPECT_EQ(state, State::InAnswer);
    EXPECT_TRUE(facts[0].done);
    EXPECT_FALSE(facts[1].done);
}

TEST(BatchProtocol, EndTextInsideAValueDoesNotEndTheAnswer)
{
    // Without the token, no line of a listing can be the end line, even one a NUL cuts out.
    const std::string listing = "Comment : metaprobe end\r\n" +
                                std::string("Note : x\0metaprobe end other", 28) + "\r\nMake : after\r\n";
    State state;
    const auto answers = ReadAnswers({listing + End()}, 7, {}, state);
    EXPECT_EQ(state, State::Idle);
    EXPECT_TRUE(SameFields(answers[0], OneFile(listing)));
    ASSERT_FALSE(answers[0].empty());
    EXPECT_EQ(answers[0].back().value, "after");
}

TEST(BatchProtocol, LimitsApplyToEachAnswer)
{
    ListingLimits limits;
    limits.maxLineLength = 64;
    limits.maxKeptBytes = 200;
    std::string flood;
    for (int i = 0; i < 40; ++i)
        flood += "Field" + std::to_string(i) + " : value\r\n";
    const std::string listing = "Long : " + std::string(100, 'x') + "\r\n" + flood;
    State state;
    const auto answers = ReadAnswers({listing + End(), listing + End()}, 5, limits, state);
    EXPECT_EQ(state, State::Idle);
    const auto expected = OneFile(listing, limits);
    EXPECT_LT(expected.size(), 40u);
    EXPECT_TRUE(SameFields(answers[0], expected));
    // The second file gets its own budget, not what the first one left.
    EXPECT_TRUE(SameFields(answers[1], expected));
}

TEST(BatchProtocol, ProtocolFaultsBreakTheReader)
{
    {
        BatchReader reader(kToken, {});
        reader.Feed("usage: metaprobe FILE\r\n");
        EXPECT_EQ(reader.CurrentState(), State::Broken);
    }
    {
        BatchReader reader(kToken, {});
        reader.Feed(batch::HandshakeLine("another0token0of0the0same0kind") + "\n");
        EXPECT_EQ(reader.CurrentState(), State::Broken);
    }
    {
        // Output before any path was sent.
        BatchReader reader(kToken, {});
        reader.Feed(Handshake() + "Make : early\r\n");
        EXPECT_EQ(reader.CurrentState(), State::Broken);
    }
    for (const char* after : {"Make : B\r\n", "Make : B"}) {
        // Output after an answer's end, in the same read (a whole line or a part of one): the
        // answer stands, the reader takes no next path.
        SCOPED_TRACE(after);
        BatchReader reader(kToken, {});
        std::vector<MetaField> fields;
        reader.Feed(Handshake());
        reader.BeginAnswer(fields);
        reader.Feed("Make : A\r\n" + End() + after);
        EXPECT_EQ(reader.CurrentState(), State::AnswerDone);
        ASSERT_EQ(fields.size(), 1u);
        EXPECT_EQ(fields[0].value, "A");
        reader.FinishAnswer();
        EXPECT_EQ(reader.CurrentState(), State::Broken);
    }
    {
        // An answer cut short stays unfinished.
        BatchReader reader(kToken, {});
        std::vector<MetaField> fields;
        reader.Feed("\r\n" + Handshake());
        EXPECT_EQ(reader.CurrentState(), State::Idle);
        reader.BeginAnswer(fields);
        reader.Feed("Make : A\r\n" + batch::EndLine(kToken));
        EXPECT_EQ(reader.CurrentState(), State::InAnswer);
        reader.Feed("\n");
        EXPECT_EQ(reader.CurrentState(), State::AnswerDone);
    }
}

}  // namespace
