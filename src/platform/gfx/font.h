// Fonts: the logical-font record, faces found through fontconfig, glyphs rendered with
// FreeType and kept in a cache keyed by face, pixel size, angle and glyph.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vemora::gfx {

constexpr int kPixelsPerInch = 96;

constexpr int32_t FW_NORMAL = 400;
constexpr int32_t FW_BOLD = 700;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t OUT_TT_ONLY_PRECIS = 7;

// The 60-byte logical-font record of the platform.
struct LogFont {
    // Negative: character height (em size) in pixels; positive: cell height (ascent plus
    // descent) in pixels; 0: a default size.
    int32_t Height = 0;
    int32_t Width = 0;
    // Tenths of a degree, counter-clockwise; the baseline runs at the escapement angle.
    int32_t Escapement = 0;
    int32_t Orientation = 0;
    int32_t Weight = FW_NORMAL;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint8_t CharSet = DEFAULT_CHARSET;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    char FaceName[32] = {};

    void SetFaceName(std::string_view name);
    std::string_view FaceNameView() const;
    bool operator==(const LogFont&) const;
};
static_assert(sizeof(LogFont) == 60);

// The height of a font of the given point size at kPixelsPerInch, as a logical-font height.
int32_t HeightFromPoints(int points);

// A rendered glyph: 8-bit coverage, row-major, placed relative to the pen position on the
// baseline (Left to the right, Top upward, as FreeType gives them; screen y grows down).
struct GlyphImage {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Coverage;
};

struct PlacedGlyph {
    // Screen offset of the glyph image's top-left pixel from the text's reference point
    // (the left end of the baseline), already rotated.
    int X = 0;
    int Y = 0;
    const GlyphImage* Image = nullptr;
};

// A line of text laid out with one font. The metrics are those of the unrotated text: the
// extent is the sum of the advances by the cell height.
struct TextRun {
    int Width = 0;    // sum of advances, pixels
    int Height = 0;   // cell height (ascent + descent), pixels
    int Ascent = 0;   // baseline below the cell top, pixels
    double Angle = 0; // radians, counter-clockwise, from the escapement
    std::vector<PlacedGlyph> Glyphs;
};

// Lays out UTF-8 text (invalid bytes count as U+FFFD) with the face that fontconfig picks
// for the record. Returns false, leaving the run empty with zero metrics, when no face can
// be loaded. The glyph images stay valid until the cache is cleared by the next Layout
// that finds the cache full, so use a run before laying out the next one.
bool LayoutText(const LogFont& font, std::string_view utf8, TextRun& run);

// A line of text as glyphs of the face at their pen positions, for a medium that draws the
// face's outlines itself: the face, size and advances LayoutText uses, so both place every
// glyph alike.
struct OutlineGlyph {
    uint32_t Index = 0;
    int Pen = 0; // pixels along the baseline from the text's reference point
};
struct OutlineRun {
    std::string_view FontFile;
    int FaceIndex = 0;
    int PixelSize = 0; // the em in pixels
    int Width = 0;
    int Height = 0;
    int Ascent = 0;
    double Angle = 0;
    std::vector<OutlineGlyph> Glyphs;
};
bool LayoutOutlines(const LogFont& font, std::string_view utf8, OutlineRun& run);

// The file the record resolves to, for diagnostics and tests; empty when none.
std::string_view ResolvedFontFile(const LogFont& font);

// For tests: resolve faces with the fontconfig configuration in the given file instead of
// the system's, or with the system's again when the path is empty. Forgets which record
// resolved to which face. False when the file cannot be loaded (the system's is used then).
bool UseFontConfigurationForTesting(std::string_view config_file);

} // namespace vemora::gfx
