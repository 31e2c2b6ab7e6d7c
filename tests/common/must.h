// The launcher hands failures back as results; a test that needs the value
// takes it with Must, which throws the failure (tests are built with
// exceptions), so that EXPECT_THROW(Must(...), qz::Error) reads as before and
// an unexpected failure ends the test with its text.
#pragma once

#include "errors.h"

#include <utility>

namespace qz::testing {

template <typename T>
T Must(Result<T> result)
{
    if (!result)
        throw result.Failure();
    return std::move(*result);
}

inline void Must(const Status &status)
{
    if (!status)
        throw status.Failure();
}

}  // namespace qz::testing
