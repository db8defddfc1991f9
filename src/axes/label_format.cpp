#include "axes/label_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>
#include <utility>

namespace vemora {

namespace {

// ---------------------------------------------------------------------------------------
// Regional settings

// The length of the UTF-8 character that starts s, or 0 when s does not start with a whole,
// well-formed one.
size_t Utf8CharLength(std::string_view s) {
    if (s.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(s[0]);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        // Excludes overlong forms and UTF-16 surrogates.
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < low || c > high) {
            return 0;
        }
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

std::string FirstUtf8Char(std::string_view s) {
    return std::string(s.substr(0, Utf8CharLength(s)));
}

// The C and POSIX locales (and glibc's C.UTF-8) define no thousands separator at all; the
// program still groups with "," there, the way it always has in an untranslated setup. Any
// other locale that leaves the separator empty asks for no grouping character.
bool IsCLocaleName(std::string_view name) {
    return name == "C" || name == "POSIX" || name.substr(0, 2) == "C.";
}

class TLocaleHandle {
public:
    explicit TLocaleHandle(const char* name)
        : locale_(newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0))) {}
    TLocaleHandle(const TLocaleHandle&) = delete;
    TLocaleHandle& operator=(const TLocaleHandle&) = delete;
    ~TLocaleHandle() {
        if (locale_ != static_cast<locale_t>(0)) {
            freelocale(locale_);
        }
    }
    bool Valid() const { return locale_ != static_cast<locale_t>(0); }
    std::string_view Item(nl_item item) const {
        const char* text = nl_langinfo_l(item, locale_);
        return text != nullptr ? std::string_view(text) : std::string_view();
    }

private:
    locale_t locale_;
};

TFormatSettings& SettingsStorage() {
    static TFormatSettings settings = ReadFormatSettings(nullptr);
    return settings;
}

// ---------------------------------------------------------------------------------------
// Decimal conversion

// The most digits an extended value is taken to; the picture is ignored from 1E18 on, so
// every integer digit a picture writes is one of these.
constexpr int kMaxDigits = 18;
// Significant digits of the general and scientific forms.
constexpr int kGeneralDigits = 15;
constexpr size_t kMaxPictureLength = 224;
// Fraction digits a label can ask for beyond its picture's: enough for every digit of the
// smallest double.
constexpr int kMaxFractionDigits = 360;

// value = 0.d1d2d3... * 10^Exponent, with no trailing zero digits; zero has no digits.
struct TDecimal {
    std::array<char, kMaxDigits> Digits{};
    int Count = 0;
    int Exponent = 0;
    bool Negative = false;

    bool IsZero() const { return Count == 0; }
    // The digit at index i of the digit string, 0 past either end.
    char DigitAt(int i) const { return i >= 0 && i < Count ? Digits[i] : '0'; }
};

void StripTrailingZeros(TDecimal& d) {
    while (d.Count > 0 && d.Digits[d.Count - 1] == '0') {
        --d.Count;
    }
    if (d.Count == 0) {
        d.Exponent = 0;
    }
}

// Correctly rounded to `digits` (1 to 18) digits by the C library. The value must be finite.
TDecimal ToDecimal(long double value, int digits = kMaxDigits) {
    // "-d.ddddddddddddddddde+dddd" and the terminator fit easily.
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.*Le", digits - 1, value);
    TDecimal d;
    d.Negative = std::signbit(value);
    int i = 0;
    // Whatever stands between the first digit and the others is the C library's radix
    // character, which depends on the global locale: skip it rather than expect '.'.
    for (; i < length && text[i] != 'e'; ++i) {
        if (text[i] >= '0' && text[i] <= '9' && d.Count < kMaxDigits) {
            d.Digits[d.Count++] = text[i];
        }
    }
    int power = 0;
    bool negativePower = false;
    for (++i; i < length; ++i) {
        if (text[i] == '-') {
            negativePower = true;
        } else if (text[i] >= '0' && text[i] <= '9') {
            power = power * 10 + (text[i] - '0');
        }
    }
    d.Exponent = (negativePower ? -power : power) + 1;
    StripTrailingZeros(d);
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the first one dropped.
void RoundToDigits(TDecimal& d, int keep) {
    if (keep >= d.Count) {
        return;
    }
    if (keep < 0) {
        d.Count = 0;
        d.Exponent = 0;
        return;
    }
    const bool up = d.Digits[keep] >= '5';
    d.Count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[i] == '9') {
            --i;
        }
        if (i < 0) {
            d.Digits[0] = '1';
            d.Count = 1;
            ++d.Exponent;
        } else {
            ++d.Digits[i];
            d.Count = i + 1;
        }
    }
    StripTrailingZeros(d);
}

void RoundToFractionPlaces(TDecimal& d, int places) {
    if (!d.IsZero()) {
        RoundToDigits(d, d.Exponent + places);
    }
}

void AppendInteger(std::string& out, int value) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", value);
    out.append(text, static_cast<size_t>(length));
}

// "-1.5E20": the first digit, the others after the separator, and the power of ten with a
// sign only when negative. d must be nonzero.
void AppendScientific(std::string& out, const TDecimal& d, const TFormatSettings& settings) {
    if (d.Negative) {
        out += '-';
    }
    out += d.Digits[0];
    if (d.Count > 1) {
        out += settings.DecimalSeparator;
        out.append(d.Digits.data() + 1, static_cast<size_t>(d.Count - 1));
    }
    out += 'E';
    AppendInteger(out, d.Exponent - 1);
}

// The form of a picture-less number: up to 15 significant digits, plain from 1E-4 up to
// 1E18, scientific outside, no grouping.
void AppendGeneral(std::string& out, TDecimal d, const TFormatSettings& settings) {
    RoundToDigits(d, kGeneralDigits);
    if (d.IsZero()) {
        out += '0';
        return;
    }
    // Small values would otherwise be written as dozens or hundreds of zeros.
    if (d.Exponent > kMaxDigits || d.Exponent < -3) {
        AppendScientific(out, d, settings);
        return;
    }
    if (d.Negative) {
        out += '-';
    }
    if (d.Exponent <= 0) {
        out += '0';
    }
    for (int i = 0; i < d.Exponent; ++i) {
        out += d.DigitAt(i);
    }
    if (d.Count > d.Exponent) {
        out += settings.DecimalSeparator;
        // Index d.Exponent is the first fraction digit; below 0 come the zeros after the point.
        for (int i = d.Exponent; i < d.Count; ++i) {
            out += d.DigitAt(i);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Pictures

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

// The end of the quoted text opened at text[open]: the closing quote, or the end of the text
// when it is never closed.
size_t QuoteEnd(std::string_view text, size_t open) {
    const size_t close = text.find(text[open], open + 1);
    return close == std::string_view::npos ? text.size() : close;
}

// What a section asks for, gathered before any digit is written.
struct TSectionLayout {
    int IntegerPlaceholders = 0;
    // Integer digits always written: those from the first "0" to the decimal point.
    int MinIntegerDigits = 0;
    int FractionPlaceholders = 0;
    // Fraction digits always written: those up to the last "0" after the decimal point.
    int MinFractionDigits = 0;
    bool Grouping = false;
    // Whether the section has a decimal point, and the index of the last character of its
    // number (the last digit placeholder or the point, whichever comes later): digits
    // beyond the picture's go right after it.
    bool HasPoint = false;
    size_t NumberEnd = std::string_view::npos;
    // Fraction digits asked for beyond the picture's placeholders.
    int ExtraFractionDigits = 0;
};

TSectionLayout AnalyzeSection(std::string_view section) {
    TSectionLayout layout;
    bool afterPoint = false;
    int firstIntegerZero = -1;
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (IsQuote(c)) {
            i = QuoteEnd(section, i);
        } else if (c == '0' || c == '#') {
            layout.NumberEnd = i;
            if (afterPoint) {
                ++layout.FractionPlaceholders;
                if (c == '0') {
                    layout.MinFractionDigits = layout.FractionPlaceholders;
                }
            } else {
                if (c == '0' && firstIntegerZero < 0) {
                    firstIntegerZero = layout.IntegerPlaceholders;
                }
                ++layout.IntegerPlaceholders;
            }
        } else if (c == '.') {
            if (!afterPoint)
                layout.NumberEnd = i;
            afterPoint = true;
            layout.HasPoint = true;
        } else if (c == ',' && !afterPoint) {
            layout.Grouping = true;
        }
    }
    if (firstIntegerZero >= 0) {
        layout.MinIntegerDigits = layout.IntegerPlaceholders - firstIntegerZero;
    }
    return layout;
}

// Writes the (already rounded) d by one section. The digits beyond the integer placeholders
// go where the first of them stands; literals stay where the picture puts them.
void AppendSection(std::string& out, std::string_view section, const TSectionLayout& layout,
                   const TDecimal& d, bool writeMinus, const TFormatSettings& settings) {
    const bool hasPlaceholders = layout.IntegerPlaceholders + layout.FractionPlaceholders > 0;
    if (writeMinus && d.Negative && !d.IsZero() && hasPlaceholders) {
        out += '-';
    }
    const std::string_view thousands =
        settings.ThousandSeparator.empty() || settings.ThousandSeparator[0] == '\0'
            ? std::string_view()
            : std::string_view(settings.ThousandSeparator);
    const int integerDigits = std::max(std::max(d.Exponent, 0), layout.MinIntegerDigits);
    const int fractionDigits =
        std::max(std::max(d.Count - d.Exponent, 0), layout.MinFractionDigits);
    // The digits the picture has no placeholder for, after its last one.
    auto appendExtraFraction = [&](int seen) {
        if (layout.ExtraFractionDigits <= 0 || seen >= fractionDigits)
            return;
        if (!layout.HasPoint)
            out += settings.DecimalSeparator;
        for (int k = seen + 1; k <= fractionDigits; ++k)
            out += d.DigitAt(d.Exponent + k - 1);
    };

    // Integer position p counts from the units digit leftwards.
    auto appendIntegerDigit = [&](int p) {
        out += d.DigitAt(d.Exponent - 1 - p);
        if (layout.Grouping && p > 0 && p % 3 == 0) {
            out += thousands;
        }
    };
    auto appendIntegerDigitsFrom = [&](int lowest) {
        for (int p = integerDigits - 1; p >= lowest; --p) {
            appendIntegerDigit(p);
        }
    };

    int integerSeen = 0;
    int fractionSeen = 0;
    bool afterPoint = false;
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (IsQuote(c)) {
            const size_t end = QuoteEnd(section, i);
            out.append(section.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '0' || c == '#') {
            if (afterPoint) {
                ++fractionSeen;
                if (fractionSeen <= fractionDigits) {
                    out += d.DigitAt(d.Exponent + fractionSeen - 1);
                }
            } else {
                const int p = layout.IntegerPlaceholders - 1 - integerSeen;
                if (integerSeen == 0) {
                    appendIntegerDigitsFrom(p);
                } else if (p < integerDigits) {
                    appendIntegerDigit(p);
                }
                ++integerSeen;
            }
        } else if (c == '.') {
            if (!afterPoint) {
                afterPoint = true;
                // A picture such as ".00" still shows the integer part.
                if (layout.IntegerPlaceholders == 0 && layout.FractionPlaceholders > 0) {
                    appendIntegerDigitsFrom(0);
                }
                if (fractionDigits > 0) {
                    out += settings.DecimalSeparator;
                }
            }
        } else if (c != ',') {
            out += c;
        }
        if (i == layout.NumberEnd)
            appendExtraFraction(fractionSeen);
    }
}

// Up to three sections split at the semicolons outside quotes; the third runs to the end.
int SplitSections(std::string_view picture, std::array<std::string_view, 3>& sections) {
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i < picture.size(); ++i) {
        if (IsQuote(picture[i])) {
            i = QuoteEnd(picture, i);
        } else if (picture[i] == ';' && count < 2) {
            sections[count++] = picture.substr(start, i - start);
            start = i + 1;
        }
    }
    sections[count++] = picture.substr(start);
    return count;
}

} // namespace

TFormatSettings ReadFormatSettings(const char* localeName) {
    TFormatSettings settings;
    const TLocaleHandle locale(localeName != nullptr ? localeName : "");
    if (!locale.Valid()) {
        return settings;
    }
    const std::string decimal = FirstUtf8Char(locale.Item(RADIXCHAR));
    if (!decimal.empty()) {
        settings.DecimalSeparator = decimal;
    }
    const std::string_view thousands = locale.Item(THOUSEP);
    if (thousands.empty()) {
#ifdef NL_LOCALE_NAME
        const bool cLocale = IsCLocaleName(locale.Item(NL_LOCALE_NAME(LC_NUMERIC)));
#else
        const bool cLocale = true;
#endif
        if (!cLocale) {
            settings.ThousandSeparator.clear();
        }
    } else {
        // A separator that is not UTF-8 (a locale in a legacy code set) cannot be drawn, and
        // guessing what it stood for could turn it into the decimal separator: none instead.
        settings.ThousandSeparator = FirstUtf8Char(thousands);
    }
    // "." for both (a locale with an unusable radix character and "." for grouping) would make
    // every label ambiguous.
    if (settings.ThousandSeparator == settings.DecimalSeparator) {
        settings.ThousandSeparator.clear();
    }
    return settings;
}

const TFormatSettings& FormatSettings() {
    return SettingsStorage();
}

TFormatSettings SetFormatSettingsForTesting(TFormatSettings settings) {
    return std::exchange(SettingsStorage(), std::move(settings));
}

int StepFinestPlace(double step) {
    if (!(step > 0) || !std::isfinite(step)) {
        return kNoFinestPlace;
    }
    TDecimal d = ToDecimal(step);
    RoundToDigits(d, kGeneralDigits);
    return d.Exponent - d.Count;
}

int PictureFractionPlaces(std::string_view picture) {
    std::array<std::string_view, 3> sections;
    SplitSections(picture, sections);
    return AnalyzeSection(sections[0]).FractionPlaceholders;
}

std::string FormatFloatPicture(std::string_view picture, long double value,
                               const TFormatSettings& settings, int extraFractionDigits,
                               int finestPlace) {
    if (picture.size() > kMaxPictureLength) {
        throw EConvertError("Format string too long");
    }
    std::string out;
    out.reserve(32);
    if (std::isnan(value)) {
        out = "NAN";
        return out;
    }
    if (std::isinf(value)) {
        out = value < 0 ? "-INF" : "INF";
        return out;
    }
    TDecimal d = ToDecimal(value);
    // Kept within what any double's digits can ask for, so that sums below cannot overflow.
    const bool placed = finestPlace != kNoFinestPlace;
    const int place = placed ? std::clamp(finestPlace, -2 * kMaxFractionDigits, 400) : 0;
    if (d.Exponent > kMaxDigits) {
        // The digits down to the place, so that neighbours a step apart read apart and the
        // rounding a value gathered on its way reads as nothing.
        // Rounded once, from the value itself: the 18 digits are already rounded.
        const int keep = placed ? std::min(d.Exponent - place, kMaxDigits) : kGeneralDigits;
        if (placed && keep >= 1) {
            d = ToDecimal(value, keep);
        } else {
            RoundToDigits(d, keep);
        }
        if (!d.IsZero()) {
            AppendScientific(out, d, settings);
            return out;
        }
    }

    std::array<std::string_view, 3> sections;
    const int sectionCount = SplitSections(picture, sections);
    std::string_view section = sections[0];
    bool writeMinus = true;
    if (d.Negative && sectionCount >= 2 && !sections[1].empty()) {
        section = sections[1];
        writeMinus = false;
    }
    if (section.empty()) {
        AppendGeneral(out, d, settings);
        return out;
    }
    TSectionLayout layout = AnalyzeSection(section);
    const bool hasNumber = layout.IntegerPlaceholders + layout.FractionPlaceholders > 0;
    const int extra = hasNumber ? std::clamp(extraFractionDigits, 0, kMaxFractionDigits) : 0;
    int places = layout.FractionPlaceholders + extra;
    if (placed) {
        places = std::min(places, -place);
    }
    RoundToFractionPlaces(d, places);
    if (d.IsZero()) {
        // Written by the zero section, or the first one without its minus sign: never "-0".
        section = sectionCount >= 3 && !sections[2].empty() ? sections[2] : sections[0];
        if (section.empty()) {
            AppendGeneral(out, d, settings);
            return out;
        }
        layout = AnalyzeSection(section);
    }
    layout.ExtraFractionDigits = extra;
    AppendSection(out, section, layout, d, writeMinus, settings);
    return out;
}

} // namespace vemora
