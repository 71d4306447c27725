// A Status in a test's check: a failure prints its reason.
#pragma once

#include <gtest/gtest.h>

#include "base/Status.h"

inline ::testing::AssertionResult Succeeded(const Status& status)
{
    if (status)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << status.Reason();
}
