// Data from outside the repository (../shared/data: the STN02 rail
// alignment, the clothoid tables, the worked examples, the DXF corpus) and
// the independent DXF reader (ezdxf) may be missing on a developer's
// machine: a test that needs them is then skipped with the reason. Built
// with GRADIX_REQUIRE_TEST_DATA on (scripts/test and CI), their absence
// fails the test instead, so that nothing passes untested.
#pragma once

#include <gtest/gtest.h>

namespace gradix::testing {

#ifdef GRADIX_REQUIRE_TEST_DATA
inline constexpr bool TEST_DATA_REQUIRED = GRADIX_REQUIRE_TEST_DATA;
#else
inline constexpr bool TEST_DATA_REQUIRED = false;
#endif

}  // namespace gradix::testing

// Ends the test, as a skip or (data required) a failure, unless condition
// holds; reason says what is missing and where it was looked for.
#define GRADIX_NEED(condition, reason)                                   \
    if (condition) {                                                     \
    } else if (::gradix::testing::TEST_DATA_REQUIRED)                    \
        GTEST_FAIL() << "required test data missing: " << reason;        \
    else                                                                 \
        GTEST_SKIP() << reason
