#include "platform/ui/message_text.h"

#include <gtest/gtest.h>

namespace vemora {
namespace {

TEST(MessageBoxText, FullStopOnlyAfterCharactersAboveThePoint) {
    EXPECT_EQ(MessageBoxText("File not found"), "File not found.");
    EXPECT_EQ(MessageBoxText("I/O error 123"), "I/O error 123.");
    EXPECT_EQ(MessageBoxText("Done."), "Done.");
    EXPECT_EQ(MessageBoxText("List index out of bounds (5)"), "List index out of bounds (5)");
    EXPECT_EQ(MessageBoxText("Stop!"), "Stop!");
    EXPECT_EQ(MessageBoxText("a-"), "a-");
    EXPECT_EQ(MessageBoxText("a/"), "a/."); // '/' is 0x2F
    EXPECT_EQ(MessageBoxText(""), "");
    EXPECT_EQ(MessageBoxText("Ошибка"), "Ошибка.");
}

} // namespace
} // namespace vemora
