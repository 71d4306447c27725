#include "base/Status.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/OrganizeMode.h"

namespace {

TEST(Result, HoldsItsValueOrItsFailure)
{
    Result<std::optional<int>> none = std::optional<int>();
    ASSERT_TRUE(none.Ok());
    EXPECT_FALSE(none->has_value());

    Result<std::string> value = std::string("text");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "text");
    EXPECT_EQ(value->size(), 4u);

    const Result<std::string> failed = Status::Failure(FailureKind::Damaged, "cut short", 0);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.GetStatus().Kind(), FailureKind::Damaged);
    EXPECT_EQ(failed.GetStatus().Reason(), "cut short");
}

// A success handed over where a failure belongs has no value to give: it stands as a failure.
TEST(Result, ASuccessWithoutAValueIsAFailure)
{
    const Result<int> empty = Status();
    ASSERT_FALSE(empty.Ok());
    EXPECT_EQ(empty.GetStatus().Kind(), FailureKind::System);
    EXPECT_FALSE(empty.GetStatus().Reason().empty());
}

// A row's text for a file without an answer: the mode's words for a file read and found without
// one, plain words for a file that is gone, else the lookup's reason.
TEST(LookupFailedText, WordsEachFailure)
{
    EXPECT_STREQ(LookupFailedText(OrganizeMode::Orientation, Status()).c_str(),
                 LookupFailureText(OrganizeMode::Orientation));
    EXPECT_EQ(LookupFailedText(OrganizeMode::Taken, Status::Failure(FailureKind::System, kFileGoneText, 2)),
              kFileGoneText);
    EXPECT_EQ(LookupFailedText(OrganizeMode::Taken,
                               Status::Failure(FailureKind::Damaged, "Takeout sidecar \"a.json\": not JSON")),
              "Failed to read the file's metadata (Takeout sidecar \"a.json\": not JSON)");
}

}  // namespace
