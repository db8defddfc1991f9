// Comparison of rendered bitmaps with reference pictures kept under tests/golden.
#pragma once

#include "platform/gfx/bitmap.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace vemora::testing {

// Compares with tests/golden/<name>.png pixel for pixel. On a mismatch, or without a
// reference, writes <name>.actual.png (and <name>.diff.png when there is a reference to
// compare with) to the test output folder and names them in the failure. With
// VEMORA_UPDATE_GOLDEN=1 in the environment the reference is written instead.
::testing::AssertionResult MatchesGolden(const gfx::Bitmap& actual, std::string_view name);

// The same with the reference at an explicit path; the outputs are still named after name.
::testing::AssertionResult MatchesGolden(const gfx::Bitmap& actual, std::string_view name,
                                         const std::string& reference_path);

// The folder the failed comparisons write to.
std::string GoldenOutputDir();

} // namespace vemora::testing
