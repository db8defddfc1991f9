#include "app/textreader.h"
#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "support/temp_files.h"

#include <cfloat>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <thread>
#include <unistd.h>

namespace vemora {
namespace {

using vemora::testing::TempDir;

// Takes the pending error code and clears it, without an exception.
int32_t TakePending() {
    const int32_t code = PendingIOError();
    SetPendingIOError(0);
    return code;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { SetPendingIOError(0); }
    void TearDown() override { SetPendingIOError(0); }

    // Opens a reader on a file holding `contents`.
    void Open(std::string_view contents) {
        reader_.AssignName(dir_.Write("data.txt", contents));
        reader_.OpenForInput();
        ASSERT_EQ(TakePending(), 0);
    }

    TempDir dir_;
    TextReader reader_;
};

TEST(ParseReal, AcceptedForms) {
    struct Case {
        const char* text;
        Extended value;
    } cases[] = {
        {"1.5", 1.5L},   {"-12.5e-1", -1.25L}, {"1.", 1.0L},   {".5", 0.5L},      {"+3", 3.0L},
        {".", 0.0L},     {"e5", 0.0L},         {"E+2", 0.0L},  {"1E2", 100.0L},   {"007", 7.0L},
        {"  42", 42.0L}, {"0.1", 0.1L},        {"2e-1", 0.2L}, {"123e-2", 1.23L},
    };
    for (const Case& c : cases) {
        const TParseResult r = ParseReal(c.text);
        EXPECT_EQ(r.ErrorPos, 0) << c.text;
        EXPECT_EQ(r.Value, c.value) << c.text;
    }
}

TEST(ParseReal, MinusPointIsNegativeZero) {
    const TParseResult r = ParseReal("-.");
    EXPECT_EQ(r.ErrorPos, 0);
    EXPECT_EQ(r.Value, 0.0L);
    EXPECT_TRUE(std::signbit(r.Value));
    EXPECT_TRUE(std::signbit(ParseReal("-0").Value));
}

TEST(ParseReal, RejectedFormsAndTheirPositions) {
    EXPECT_EQ(ParseReal("1e").ErrorPos, 3);
    EXPECT_EQ(ParseReal("1e+").ErrorPos, 4);
    EXPECT_EQ(ParseReal("-").ErrorPos, 2);
    EXPECT_EQ(ParseReal("+").ErrorPos, 2);
    EXPECT_EQ(ParseReal("").ErrorPos, 1);
    EXPECT_EQ(ParseReal("1,5").ErrorPos, 2);
    EXPECT_EQ(ParseReal("abc").ErrorPos, 1);
    EXPECT_EQ(ParseReal("1e5x").ErrorPos, 4);
    EXPECT_EQ(ParseReal("1.2.3").ErrorPos, 4);
    EXPECT_EQ(ParseReal("--1").ErrorPos, 2);
    EXPECT_EQ(ParseReal("inf").ErrorPos, 1);
    EXPECT_EQ(ParseReal("nan").ErrorPos, 1);
    EXPECT_EQ(ParseReal("0x10").ErrorPos, 2);
    EXPECT_EQ(ParseReal("\xEF\xBB\xBF"
                        "1")
                  .ErrorPos,
              1);
}

TEST(ParseReal, ExponentExtremes) {
    EXPECT_EQ(ParseReal("1e5120").Value, INFINITY);
    EXPECT_EQ(ParseReal("0e5120").Value, INFINITY);
    EXPECT_EQ(ParseReal("-1e5120").Value, -INFINITY);
    EXPECT_EQ(ParseReal("1e-5120").Value, 0.0L);
    EXPECT_EQ(ParseReal("1e-5119").Value, 0.0L); // underflows silently
    // Finite in extended, too large for a double.
    const Extended big = ParseReal("1e400").Value;
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_GT(big, static_cast<Extended>(DBL_MAX));
    EXPECT_THROW(StoreDouble(big), EOverflow);
    // The largest extended is about 1.19e4932.
    EXPECT_TRUE(std::isfinite(ParseReal("1e4932").Value));
    EXPECT_THROW(ParseReal("1e4933"), EOverflow);
    EXPECT_THROW(ParseReal("1e5119"), EOverflow);
    // 0 times any power below the limit stays 0.
    EXPECT_EQ(ParseReal("0e5119").Value, 0.0L);
}

TEST(ParseReal, DoubleLimitsSurviveTheStore) {
    EXPECT_EQ(StoreDouble(ParseReal("1.7976931348623157e308").Value), DBL_MAX);
    EXPECT_EQ(StoreDouble(ParseReal("2.2250738585072014e-308").Value), DBL_MIN);
    EXPECT_EQ(StoreDouble(ParseReal("4.9406564584124654e-324").Value),
              std::numeric_limits<double>::denorm_min());
}

TEST(ParseReal, ExponentWrapsModulo2To32) {
    // 4294967297 = 2^32 + 1: the exponent is 1.
    EXPECT_EQ(ParseReal("1e4294967297").Value, 10.0L);
    EXPECT_EQ(ParseReal("1e4294967296").Value, 1.0L);
}

TEST(ParseReal, FractionDigitsShiftTheScale) {
    // 63 fraction digits: k = -63 + 64.
    const std::string text = "0." + std::string(62, '0') + "1e64";
    EXPECT_EQ(ParseReal(text.c_str()).Value, 10.0L);
}

TEST_F(ReaderTest, NumberThenLineEndThenEnd) {
    Open("1.5\r\n");
    EXPECT_EQ(reader_.ReadNumber(), 1.5L);
    reader_.SkipLine();
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, LeadingControlCharactersAreSpace) {
    Open(std::string(" \t\r\n\x01\x1f", 6) + std::string(3, '\0') + "-12.5e-1");
    EXPECT_EQ(reader_.ReadNumber(), -1.25L);
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, InvalidTokensLeaveCode106) {
    Open("1e 1e+ - 1,5 abc 7");
    for (int i = 0; i < 5; ++i) {
        reader_.ReadNumber();
        EXPECT_EQ(TakePending(), io::kInvalidNumber) << i;
    }
    EXPECT_EQ(reader_.ReadNumber(), 7.0L);
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, SeventyDigitsAreTwoNumbers) {
    // 64 digits whose value is exact in the 64-bit mantissa.
    const std::string digits64 = std::string(45, '0') + "1234567890123456789";
    ASSERT_EQ(digits64.size(), 64u);
    Open(digits64 + "123456\n");
    EXPECT_EQ(reader_.ReadNumber(), 1234567890123456789.0L);
    EXPECT_EQ(TakePending(), 0);
    EXPECT_EQ(reader_.ReadNumber(), 123456.0L);
    reader_.SkipLine();
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, TokensAcrossBlockBoundaries) {
    // The first block ends inside the token, the second right after the next one.
    std::string text(125, ' ');
    text += "12345 ";
    text += std::string(122, ' ');
    text += "678";
    text += "\n9";
    Open(text);
    EXPECT_EQ(reader_.ReadNumber(), 12345.0L);
    EXPECT_EQ(reader_.ReadNumber(), 678.0L);
    EXPECT_EQ(reader_.ReadNumber(), 9.0L);
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, CrLfSplitAcrossBlocksEndsTheLine) {
    std::string text(127, 'x');
    text += "\r\n5";
    Open(text);
    reader_.SkipLine();
    EXPECT_EQ(reader_.ReadNumber(), 5.0L);
}

TEST_F(ReaderTest, LoneCrDoesNotEndALine) {
    Open("1\r2\r3\r");
    EXPECT_EQ(reader_.ReadNumber(), 1.0L);
    reader_.SkipLine();
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, CrCrLfEndsOneLine) {
    Open("1\r\r\n2\n");
    reader_.ReadNumber();
    reader_.SkipLine();
    EXPECT_EQ(reader_.ReadNumber(), 2.0L);
}

TEST_F(ReaderTest, CtrlZEndsTheDataForGood) {
    Open("1 2\x1a"
         "3 4\n");
    EXPECT_EQ(reader_.ReadNumber(), 1.0L);
    EXPECT_EQ(reader_.ReadNumber(), 2.0L);
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    reader_.SkipLine();
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, CtrlZEndsAToken) {
    Open("12\x1a"
         "34");
    EXPECT_EQ(reader_.ReadNumber(), 12.0L);
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, ReadingAtTheEndGivesZeroWithoutError) {
    Open("");
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, AtEndConsumesNothing) {
    Open("7");
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(reader_.AtEnd());
    }
    EXPECT_EQ(reader_.ReadNumber(), 7.0L);
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, OpenErrorsAndTheirMessages) {
    struct Case {
        std::string path;
        int32_t code;
        const char* message;
    } cases[] = {
        {dir_.PathOf("absent.txt"), 2, "File not found"},
        {dir_.PathOf("absent/x.txt"), 3, "Invalid filename"},
        {dir_.Path(), 5, "File access denied"},
        {std::string(5000, 'a'), 3, "Invalid filename"},
    };
    for (const Case& c : cases) {
        TextReader reader;
        reader.AssignName(c.path);
        reader.OpenForInput();
        EXPECT_EQ(reader.Mode(), TextReader::kModeClosed);
        try {
            CheckIO();
            ADD_FAILURE() << "no error for " << c.path.substr(0, 80);
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(PendingIOError(), 0);
    }
}

TEST_F(ReaderTest, OperationsOnAClosedRecord) {
    Open("1 2");
    reader_.CloseText();
    EXPECT_EQ(TakePending(), 0);
    EXPECT_EQ(reader_.ReadNumber(), 0.0L);
    EXPECT_EQ(PendingIOError(), io::kNotOpenForInput);
    try {
        CheckIO();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "I/O error 104");
    }
    reader_.CloseText();
    try {
        CheckIO();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 103);
        EXPECT_EQ(e.Message(), "I/O error 103");
    }
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(TakePending(), io::kNotOpenForInput);
}

TEST_F(ReaderTest, NeverBoundRecordCannotOpen) {
    TextReader reader;
    reader.OpenForInput();
    EXPECT_EQ(TakePending(), io::kNeverBound);
}

TEST_F(ReaderTest, LaterFailureOverwritesEarlierAndCheckClears) {
    Open("x");
    reader_.ReadNumber();
    EXPECT_EQ(PendingIOError(), io::kInvalidNumber);
    reader_.CloseText();
    reader_.CloseText();
    EXPECT_EQ(PendingIOError(), io::kNotOpen);
    EXPECT_THROW(CheckIO(), EInOutError);
    EXPECT_NO_THROW(CheckIO());
}

TEST_F(ReaderTest, PendingErrorIsPerThread) {
    SetPendingIOError(106);
    int32_t seen = -1;
    std::thread other([&] { seen = PendingIOError(); });
    other.join();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(TakePending(), 106);
}

TEST_F(ReaderTest, ReopeningAndRebindingDoNotLeakDescriptors) {
    const std::string path = dir_.Write("f.txt", "1 2 3");
    const int before = vemora::testing::OpenDescriptorCount();
    for (int i = 0; i < 50; ++i) {
        reader_.AssignName(path);
        reader_.OpenForInput();
        reader_.OpenForInput(); // closes and opens again
        reader_.ReadNumber();
    }
    EXPECT_EQ(vemora::testing::OpenDescriptorCount(), before + 1);
    reader_.AssignName(path);
    EXPECT_EQ(vemora::testing::OpenDescriptorCount(), before);
    EXPECT_EQ(TakePending(), 0);
}

TEST_F(ReaderTest, CloseQuietlyKeepsThePendingError) {
    Open("x");
    reader_.ReadNumber();
    reader_.CloseQuietly();
    EXPECT_FALSE(reader_.IsOpen());
    EXPECT_EQ(TakePending(), io::kInvalidNumber);
    reader_.CloseQuietly(); // not open: no 103
    EXPECT_EQ(TakePending(), 0);
}

// Runs `body` with the process's standard input replaced by `fd` (or closed for -1).
template <typename Body> void WithStdin(int fd, Body body) {
    const int saved = dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    if (fd >= 0) {
        dup2(fd, STDIN_FILENO);
    } else {
        close(STDIN_FILENO);
    }
    body();
    dup2(saved, STDIN_FILENO);
    close(saved);
}

TEST_F(ReaderTest, EmptyPathReadsStandardInputAndNeverClosesIt) {
    const std::string path = dir_.Write("in.txt", "3.25 4\n");
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    WithStdin(fd, [&] {
        TextReader reader;
        reader.AssignName("");
        reader.OpenForInput();
        EXPECT_EQ(TakePending(), 0);
        EXPECT_EQ(reader.ReadNumber(), 3.25L);
        reader.CloseText();
        EXPECT_EQ(TakePending(), 0);
        EXPECT_NE(fcntl(STDIN_FILENO, F_GETFD), -1) << "standard input was closed";
    });
    close(fd);
}

TEST_F(ReaderTest, EmptyPathWithoutStandardInputFailsOnFirstRead) {
    WithStdin(-1, [&] {
        TextReader reader;
        reader.AssignName("");
        reader.OpenForInput();
        EXPECT_EQ(TakePending(), 0);
        EXPECT_TRUE(reader.AtEnd());
        try {
            CheckIO();
            ADD_FAILURE();
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), "I/O error 6");
        }
    });
}

TEST_F(ReaderTest, PathStopsAtAnEmbeddedNul) {
    const std::string path = dir_.Write("f.txt", "8");
    reader_.AssignName(path + std::string("\0junk", 5));
    EXPECT_EQ(std::string(reader_.Path()), path);
    reader_.OpenForInput();
    EXPECT_EQ(reader_.ReadNumber(), 8.0L);
}

} // namespace
} // namespace vemora
