// The number text of axis labels: the user's regional separators and the picture formats
// ("#,##0.###" and the like) an axis turns its values into.
#pragma once

#include "platform/numeric/exceptions.h"

#include <cfloat>
#include <cstdint>
#include <string>
#include <string_view>

namespace vemora {

static_assert(LDBL_MANT_DIG == 64, "long double must be the 80-bit extended format");

// A picture that cannot be used, such as one too long.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

struct TFormatSettings {
    // One UTF-8 character.
    std::string DecimalSeparator = ".";
    // One UTF-8 character; empty (or a character of code 0) writes no grouping character,
    // though the digits are still grouped by the picture's rules.
    std::string ThousandSeparator = ",";
};

// The separators of the user's regional settings, read the first time they are asked for
// and kept for the life of the process. Reading them leaves the process's locale alone.
const TFormatSettings& FormatSettings();

// For tests only: replaces what FormatSettings() returns and gives back the previous value.
// Not safe while another thread formats labels.
TFormatSettings SetFormatSettingsForTesting(TFormatSettings settings);

// The separators of the named locale's LC_NUMERIC category; nullptr or "" names the user's
// environment (LC_ALL, LC_NUMERIC, LANG). A locale that cannot be loaded gives "." and ",".
TFormatSettings ReadFormatSettings(const char* localeName);

// Writes value by a picture made of sections "positive;negative;zero", each built from
//   0    a digit always written          #    a digit written only when significant
//   .    the decimal separator's place   ,    in the integer part: group thousands
//   'x' or "x"  text copied without its quotes; any other character is copied as it is.
// The value is taken to 18 significant digits, then rounded half away from zero to the
// section's fraction places. Values of magnitude 1E18 and more ignore the picture and are
// written in the scientific form, e.g. "1.5E20"; infinities and NaN give "INF", "-INF" and
// "NAN". An empty picture gives the general form: 15 significant digits, plain or scientific.
// extraFractionDigits more fraction places than the section's placeholders are rounded to
// and written, trailing zeros dropped, right after the section's last placeholder (with
// the decimal separator if the section has none); a section without placeholders ignores
// them. With a finest place p other than kNoFinestPlace no digit below 10^p is written:
// the value is rounded there too (where that is coarser than the fraction places), and the
// scientific form keeps exactly the digits down to 10^p (at most 18) instead of 15; a value
// that rounds to zero there reads as zero does. Throws EConvertError for a picture longer
// than 224 bytes.
inline constexpr int kNoFinestPlace = INT32_MIN;
std::string FormatFloatPicture(std::string_view picture, long double value,
                               const TFormatSettings& settings, int extraFractionDigits = 0,
                               int finestPlace = kNoFinestPlace);

// The power of ten of the last significant digit of a step, taken to 15 significant digits:
// -1 for 0.2 or 0.5, -11 for 2e-11, 2 for 200, 298 for 5e298. kNoFinestPlace for a step
// that is not finite and positive.
int StepFinestPlace(double step);

// The fraction placeholders of the picture's first section: 3 for "#,##0.###".
int PictureFractionPlaces(std::string_view picture);

// Calls fn(line) for each line of a label; lines are separated by carriage returns. An
// empty text has no line. Returns the number of lines.
template <class Fn> int32_t ForEachLabelLine(std::string_view text, Fn&& fn) {
    if (text.empty())
        return 0;
    int32_t lines = 0;
    size_t begin = 0;
    for (;;) {
        const size_t end = text.find('\r', begin);
        ++lines;
        fn(text.substr(begin,
                       end == std::string_view::npos ? std::string_view::npos : end - begin));
        if (end == std::string_view::npos)
            return lines;
        begin = end + 1;
    }
}

} // namespace vemora
