#include "axes/label_format.h"

#include <clocale>
#include <gtest/gtest.h>
#include <limits>
#include <locale.h>
#include <string>

namespace vemora {
namespace {

constexpr const char* kDefaultPicture = "#,##0.###";

const TFormatSettings kPlain{".", ","};

std::string Fmt(std::string_view picture, long double value,
                const TFormatSettings& settings = kPlain) {
    return FormatFloatPicture(picture, value, settings);
}

std::string Default(long double value) {
    return Fmt(kDefaultPicture, value);
}

bool LocaleInstalled(const char* name) {
    const locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) {
        return false;
    }
    freelocale(locale);
    return true;
}

TEST(DefaultPicture, WorkedExamples) {
    EXPECT_EQ(Default(0), "0");
    EXPECT_EQ(Default(2.5), "2.5");
    EXPECT_EQ(Default(1000000), "1,000,000");
    EXPECT_EQ(Default(100000), "100,000");
    EXPECT_EQ(Default(-1234.5678), "-1,234.568");
    EXPECT_EQ(Default(0.1), "0.1");
    EXPECT_EQ(Default(0.2), "0.2");
    EXPECT_EQ(Default(0.35), "0.35");
    EXPECT_EQ(Default(1.35), "1.35");
    EXPECT_EQ(Default(123456789012345678.0L), "123,456,789,012,345,678");
}

TEST(DefaultPicture, DoubleNoiseDisappearsInEighteenDigits) {
    EXPECT_EQ(Default(12.3), "12.3");              // 12.300000000000000711
    EXPECT_EQ(Default(2.9999999999999996), "3");   // carries through every digit
    EXPECT_EQ(Default(-2.9999999999999996), "-3"); // and the sign survives the carry
    EXPECT_EQ(Default(999999.9996), "1,000,000");  // the carry adds a group
}

TEST(DefaultPicture, RoundsHalfUpOnTheEighteenDigitString) {
    EXPECT_EQ(Default(0.0005), "0.001");
    EXPECT_EQ(Default(-0.0005), "-0.001");
    EXPECT_EQ(Default(0.0015), "0.002");     // stored as 0.00150000000000000003
    EXPECT_EQ(Default(1.0005), "1");         // stored as 1.00049999999999994
    EXPECT_EQ(Default(999.9995), "1,000");   // stored as 999.99950000000001182
    EXPECT_EQ(Default(-999.9995), "-1,000"); // half away from zero
    // Below the half in binary, but exactly the half once taken to 18 digits.
    EXPECT_EQ(Default(1.0004999999999999999L), "1.001");
}

TEST(DefaultPicture, ValuesRoundingToZeroHaveNoSign) {
    EXPECT_EQ(Default(-0.0004), "0");
    EXPECT_EQ(Default(-1e-17), "0");
    EXPECT_EQ(Default(-0.0L), "0");
    EXPECT_EQ(Default(std::numeric_limits<long double>::denorm_min()), "0");
}

TEST(DefaultPicture, LargeValuesAndSpecialsIgnoreThePicture) {
    EXPECT_EQ(Default(1.5e20), "1.5E20");
    EXPECT_EQ(Default(1e18), "1E18");
    EXPECT_EQ(Default(-2.5e300), "-2.5E300");
    EXPECT_EQ(Default(1.7976931348623157e308), "1.79769313486232E308");
    EXPECT_EQ(Default(9.9999999999999999e20L), "1E21"); // the 15-digit carry moves the power
    EXPECT_EQ(Default(1.25e4000L), "1.25E4000");        // beyond the double range
    EXPECT_EQ(Default(std::numeric_limits<long double>::infinity()), "INF");
    EXPECT_EQ(Default(-std::numeric_limits<long double>::infinity()), "-INF");
    EXPECT_EQ(Default(std::numeric_limits<long double>::quiet_NaN()), "NAN");
    EXPECT_EQ(Fmt("0.00 'kg'", std::numeric_limits<long double>::infinity()), "INF");
}

TEST(Separators, ComeFromTheSettings) {
    const TFormatSettings european{",", "."};
    EXPECT_EQ(Fmt(kDefaultPicture, -1234.5678, european), "-1.234,568");
    EXPECT_EQ(Fmt(kDefaultPicture, 1.5e20, european), "1,5E20");

    const TFormatSettings noGrouping{".", ""};
    EXPECT_EQ(Fmt(kDefaultPicture, 1000000, noGrouping), "1000000");
    EXPECT_EQ(Fmt(kDefaultPicture, 1000000, TFormatSettings{".", std::string(1, '\0')}), "1000000");

    const TFormatSettings narrowSpace{",", "\u202f"};
    EXPECT_EQ(Fmt(kDefaultPicture, 1234567.25, narrowSpace), "1\u202f234\u202f567,25");

    const TFormatSettings multiByteDecimal{"\u066b", "\u066c"};
    EXPECT_EQ(Fmt(kDefaultPicture, 1234.5, multiByteDecimal), "1\u066c234\u066b5");
}

TEST(Pictures, IntegerAndFractionPlaceholders) {
    EXPECT_EQ(Fmt("#,##0", 2.5), "3");
    EXPECT_EQ(Fmt("#,##0", -2.5), "-3");
    EXPECT_EQ(Fmt("#,##0", 1234567890), "1,234,567,890");
    EXPECT_EQ(Fmt("000", 7), "007");
    EXPECT_EQ(Fmt("0,000", 5), "0,005");
    EXPECT_EQ(Fmt("0.00", 1.5), "1.50");
    EXPECT_EQ(Fmt("0.00", 0), "0.00");
    EXPECT_EQ(Fmt("0.0#", 1.234), "1.23");
    EXPECT_EQ(Fmt("0.0#", 2), "2.0");
    EXPECT_EQ(Fmt("0.###", 1234567), "1234567"); // no "," means no grouping
    EXPECT_EQ(Fmt("#.##", 0.5), ".5");
    EXPECT_EQ(Fmt("#", 0), "");
    EXPECT_EQ(Fmt(".00", 12.5), "12.50");
}

TEST(Pictures, LiteralsAndQuotes) {
    EXPECT_EQ(Fmt("$#,##0.00", 1234.5), "$1,234.50");
    EXPECT_EQ(Fmt("$#,##0.00", -5), "-$5.00");
    EXPECT_EQ(Fmt("0.0' kg'", 1.25), "1.3 kg");
    EXPECT_EQ(Fmt("0 \"#.0;\"", 4), "4 #.0;"); // placeholders and ";" inside quotes are text
    EXPECT_EQ(Fmt("0 \u00b0C", 21), "21 \u00b0C");
    EXPECT_EQ(Fmt("00-00", 1234), "12-34");
    EXPECT_EQ(Fmt("0 'open", 3), "3 open"); // an unclosed quote runs to the end
}

TEST(Pictures, Sections) {
    const char* picture = "#,##0.00;(#,##0.00);'zero'";
    EXPECT_EQ(Fmt(picture, 1234.5), "1,234.50");
    EXPECT_EQ(Fmt(picture, -1234.5), "(1,234.50)");
    EXPECT_EQ(Fmt(picture, 0), "zero");
    EXPECT_EQ(Fmt(picture, -0.001), "zero");
    // Empty negative and zero sections fall back to the first, which writes the sign itself.
    EXPECT_EQ(Fmt("0.0;;", -2), "-2.0");
    EXPECT_EQ(Fmt("0.0;;", 0), "0.0");
    // Without a zero section, a negative value rounding to zero takes the first section.
    EXPECT_EQ(Fmt("0.0;[0.0]", -0.01), "0.0");
    EXPECT_EQ(Fmt("0.0;[0.0]", -0.05), "[0.1]");
}

TEST(Pictures, ExtraFractionDigitsFollowTheLastPlaceholder) {
    const auto extra = [](std::string_view picture, long double value, int digits,
                          const TFormatSettings& settings = kPlain) {
        return FormatFloatPicture(picture, value, settings, digits);
    };
    EXPECT_EQ(extra(kDefaultPicture, 0.00135, 2), "0.00135");
    EXPECT_EQ(extra(kDefaultPicture, 0.0014, 2), "0.0014"); // trailing zeros still dropped
    EXPECT_EQ(extra(kDefaultPicture, -1234.567891, 3), "-1,234.567891");
    EXPECT_EQ(extra(kDefaultPicture, 53.0481234567, 4), "53.0481235"); // half up on the cut
    EXPECT_EQ(extra(kDefaultPicture, -0.0000004, 3), "0");             // still no "-0"
    EXPECT_EQ(extra(kDefaultPicture, 1.5e20, 4), "1.5E20");            // beyond the picture's reach
    EXPECT_EQ(extra(kDefaultPicture, 1234.5678, 1, {",", "."}), "1.234,5678");
    // Eighteen significant digits at most, however many places are asked for.
    EXPECT_EQ(extra(kDefaultPicture, 1.0 / 3.0, 40), "0.333333333333333315");
    EXPECT_EQ(extra(kDefaultPicture, 5e-324, 400).size(), 2 + 323 + 18u);
    // A picture without a point gets one; literals stay after the number.
    EXPECT_EQ(extra("#,##0", 2.25, 2), "2.25");
    EXPECT_EQ(extra("0.0' kg'", 1.25, 1), "1.25 kg");
    EXPECT_EQ(extra("0' kg'", 1.25, 1), "1.3 kg");
    EXPECT_EQ(extra("0.00", 1.505, 1), "1.505");
    EXPECT_EQ(extra("#,##0.00;(#,##0.00)", -0.125, 1), "(0.125)");
    EXPECT_EQ(extra("'none'", 1.25, 2), "none");
    EXPECT_EQ(extra("", 1.0 / 3.0, 3), "0.333333333333333"); // the general form has no places
}

// A label's finest place: the digit of its step's last, below which it shows nothing.
TEST(Pictures, TheFinestPlaceBoundsTheDigitsWritten) {
    const auto placed = [](long double value, int place, int extra = 0) {
        return FormatFloatPicture(kDefaultPicture, value, kPlain, extra, place);
    };
    // The scientific form keeps the digits down to the place: fewer than 15, or up to 18.
    EXPECT_EQ(placed(1.30113979491806e284L, 298), "0");
    EXPECT_EQ(placed(-1.30113979491806e284L, 298), "0");
    EXPECT_EQ(placed(5.00000000000001e298L, 298), "5E298");
    EXPECT_EQ(placed(-9.99999999999999e298L, 298), "-1E299");
    EXPECT_EQ(placed(7.5e299L, 298), "7.5E299");
    EXPECT_EQ(Default(1000000000000000512.0L), "1E18");
    EXPECT_EQ(placed(1000000000000000512.0L, 2), "1.0000000000000005E18");
    EXPECT_EQ(placed(1000000000000000512.0L, 0), "1.00000000000000051E18"); // 18 at most
    // In the picture's form the place rounds where it is coarser than the picture's places.
    EXPECT_EQ(Default(90000000000000016.0L), "90,000,000,000,000,016");
    EXPECT_EQ(placed(90000000000000016.0L, 16), "90,000,000,000,000,000");
    EXPECT_EQ(placed(0.30000000000000004L, -1), "0.3");
    EXPECT_EQ(placed(1.35L, -1), "1.4");     // half up on the place
    EXPECT_EQ(placed(0.0075L, -4), "0.008"); // the picture's 3 places are the coarser
    EXPECT_EQ(placed(5.0000000001e-10L, -10, 7), "0.0000000005");
    EXPECT_EQ(placed(4.9999999e-11L, -10, 7), "0");
}

TEST(Pictures, StepPlacesAndPictureFractionPlaces) {
    EXPECT_EQ(StepFinestPlace(0.2), -1);
    EXPECT_EQ(StepFinestPlace(0.1 * 3), -1); // 0.30000000000000004 to 15 digits
    EXPECT_EQ(StepFinestPlace(0.25), -2);
    EXPECT_EQ(StepFinestPlace(5e-10), -10);
    EXPECT_EQ(StepFinestPlace(2e-11), -11);
    EXPECT_EQ(StepFinestPlace(1e-12), -12);
    EXPECT_EQ(StepFinestPlace(1), 0);
    EXPECT_EQ(StepFinestPlace(200), 2);
    EXPECT_EQ(StepFinestPlace(5.000000000000001e298), 298);
    EXPECT_EQ(StepFinestPlace(0), kNoFinestPlace);
    EXPECT_EQ(StepFinestPlace(-1), kNoFinestPlace);
    EXPECT_EQ(StepFinestPlace(std::numeric_limits<double>::infinity()), kNoFinestPlace);
    EXPECT_EQ(PictureFractionPlaces(kDefaultPicture), 3);
    EXPECT_EQ(PictureFractionPlaces("0.00;(0.0000)"), 2);
    EXPECT_EQ(PictureFractionPlaces("#,##0' kg'"), 0);
}

TEST(Pictures, EmptyPictureGivesTheGeneralForm) {
    EXPECT_EQ(Fmt("", 12.3), "12.3");
    EXPECT_EQ(Fmt("", 1e20), "1E20");
    EXPECT_EQ(Fmt("", 0), "0");
    EXPECT_EQ(Fmt("", -0.5), "-0.5");
    EXPECT_EQ(Fmt("", 1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(Fmt("", 123456789012345678.0L), "123456789012346000");
    EXPECT_EQ(Fmt("", 999999999999999999.0L), "1E18"); // rounding reaches the scientific range
    EXPECT_EQ(Fmt("", 0.0001), "0.0001");
    EXPECT_EQ(Fmt("", 0.00001), "1E-5");
    EXPECT_EQ(Fmt("", -2.5e-300), "-2.5E-300");
    EXPECT_EQ(Fmt(";(0)", -7), "(7)");
}

TEST(Pictures, TooLongPictureIsRejected) {
    const std::string longest = "0." + std::string(222, '#');
    EXPECT_EQ(Fmt(longest, 1.5), "1.5");
    EXPECT_THROW(Fmt(longest + "#", 1.5), EConvertError);
    try {
        Fmt(std::string(300, '0'), 1);
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Format string too long");
    }
}

class RegionalSettings : public ::testing::Test {
protected:
    void SetUp() override { globalLocale_ = std::setlocale(LC_ALL, nullptr); }
    void TearDown() override { EXPECT_EQ(std::setlocale(LC_ALL, nullptr), globalLocale_); }

private:
    std::string globalLocale_;
};

TEST_F(RegionalSettings, CAndPosixGroupWithComma) {
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        if (!LocaleInstalled(name)) {
            continue;
        }
        const TFormatSettings settings = ReadFormatSettings(name);
        EXPECT_EQ(settings.DecimalSeparator, ".") << name;
        EXPECT_EQ(settings.ThousandSeparator, ",") << name;
    }
}

TEST_F(RegionalSettings, UnknownLocaleFallsBack) {
    const TFormatSettings settings = ReadFormatSettings("xx_NOWHERE.UTF-8");
    EXPECT_EQ(settings.DecimalSeparator, ".");
    EXPECT_EQ(settings.ThousandSeparator, ",");
}

TEST_F(RegionalSettings, German) {
    if (!LocaleInstalled("de_DE.UTF-8")) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
    const TFormatSettings settings = ReadFormatSettings("de_DE.UTF-8");
    EXPECT_EQ(settings.DecimalSeparator, ",");
    EXPECT_EQ(settings.ThousandSeparator, ".");
}

TEST_F(RegionalSettings, MultiByteSeparatorIsKeptWhole) {
    if (!LocaleInstalled("fr_FR.UTF-8")) {
        GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    }
    const TFormatSettings settings = ReadFormatSettings("fr_FR.UTF-8");
    EXPECT_EQ(settings.DecimalSeparator, ",");
    EXPECT_EQ(settings.ThousandSeparator, "\u202f");
}

TEST_F(RegionalSettings, EnvironmentIsReadOnceAndReplaceableForTests) {
    const TFormatSettings original = FormatSettings();
    const TFormatSettings fromEnvironment = ReadFormatSettings(nullptr);
    EXPECT_EQ(original.DecimalSeparator, fromEnvironment.DecimalSeparator);
    EXPECT_EQ(original.ThousandSeparator, fromEnvironment.ThousandSeparator);

    const TFormatSettings previous = SetFormatSettingsForTesting({",", "'"});
    EXPECT_EQ(previous.DecimalSeparator, original.DecimalSeparator);
    EXPECT_EQ(previous.ThousandSeparator, original.ThousandSeparator);
    EXPECT_EQ(Fmt(kDefaultPicture, 12345.5, FormatSettings()), "12'345,5");

    SetFormatSettingsForTesting(previous);
    EXPECT_EQ(FormatSettings().DecimalSeparator, original.DecimalSeparator);
    EXPECT_EQ(FormatSettings().ThousandSeparator, original.ThousandSeparator);
}

} // namespace
} // namespace vemora
