#include "platform/gfx/font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace vemora::gfx {
namespace {

LogFont Font(int32_t height, std::string_view face = "Arial", int32_t weight = FW_NORMAL) {
    LogFont f;
    f.Height = height;
    f.Weight = weight;
    f.SetFaceName(face);
    return f;
}

TextRun Layout(const LogFont& font, std::string_view text) {
    TextRun run;
    EXPECT_TRUE(LayoutText(font, text, run)) << text;
    return run;
}

int TotalCoverage(const GlyphImage& image) {
    int sum = 0;
    for (uint8_t c : image.Coverage) {
        sum += c;
    }
    return sum;
}

bool SameImage(const GlyphImage& a, const GlyphImage& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height &&
           a.Coverage == b.Coverage;
}

std::string FileName(std::string_view path) {
    return std::filesystem::path(std::string(path)).filename().string();
}

TEST(LogFontRecord, FaceNameIsTruncatedTerminatedAndComparedAsAString) {
    LogFont f;
    f.SetFaceName("Arial");
    EXPECT_EQ(f.FaceNameView(), "Arial");

    const std::string longName(40, 'x');
    f.SetFaceName(longName);
    EXPECT_EQ(f.FaceNameView(), std::string(31, 'x'));
    EXPECT_EQ(f.FaceName[31], '\0');

    // A shorter name leaves nothing of the longer one behind.
    f.SetFaceName("Ab");
    EXPECT_EQ(f.FaceNameView(), "Ab");
    EXPECT_EQ(f.FaceName[5], '\0');

    // Bytes after the terminator do not count.
    LogFont a = Font(-11, "Arial");
    LogFont b = a;
    b.FaceName[10] = 'z';
    EXPECT_TRUE(a == b);
    b.SetFaceName("Arial Black");
    EXPECT_FALSE(a == b);

    LogFont c = a;
    c.Escapement = 900;
    EXPECT_FALSE(a == c);
    c = a;
    c.PitchAndFamily = 2;
    EXPECT_FALSE(a == c);
    c = a;
    c.Italic = 1;
    EXPECT_FALSE(a == c);
}

TEST(LogFontRecord, HeightFromPointsIsTheNegativeRoundedPixelHeight) {
    EXPECT_EQ(HeightFromPoints(8), -11);  // 10.67
    EXPECT_EQ(HeightFromPoints(10), -13); // 13.33
    EXPECT_EQ(HeightFromPoints(9), -12);
    EXPECT_EQ(HeightFromPoints(7), -9); // 9.33
    EXPECT_EQ(HeightFromPoints(12), -16);
    EXPECT_EQ(HeightFromPoints(0), 0);
    EXPECT_EQ(HeightFromPoints(-8), 11);
}

TEST(FontResolution, ArialAndTheEmptyNameResolveToLiberationSans) {
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, "Arial"))), "LiberationSans-Regular.ttf");
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, ""))), "LiberationSans-Regular.ttf");
}

TEST(FontResolution, WeightAndSlantPickTheMatchingFile) {
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, "Arial", FW_BOLD))), "LiberationSans-Bold.ttf");
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, "Arial", 600))), "LiberationSans-Bold.ttf");
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, "Arial", 599))), "LiberationSans-Regular.ttf");
    // 0 means "any weight", which is the regular one.
    EXPECT_EQ(FileName(ResolvedFontFile(Font(-11, "Arial", 0))), "LiberationSans-Regular.ttf");

    LogFont italic = Font(-11, "Arial");
    italic.Italic = 1;
    EXPECT_EQ(FileName(ResolvedFontFile(italic)), "LiberationSans-Italic.ttf");
    italic.Weight = FW_BOLD;
    EXPECT_EQ(FileName(ResolvedFontFile(italic)), "LiberationSans-BoldItalic.ttf");

    // The size does not take part in the choice of the file.
    EXPECT_EQ(ResolvedFontFile(Font(-40, "Arial")), ResolvedFontFile(Font(-11, "Arial")));
}

TEST(FontMetrics, EightPointTextHasAPlausibleCell) {
    const TextRun run = Layout(Font(HeightFromPoints(8)), "Hg");
    EXPECT_GE(run.Height, 12);
    EXPECT_LE(run.Height, 14);
    EXPECT_GT(run.Ascent, run.Height / 2);
    EXPECT_LT(run.Ascent, run.Height);
    EXPECT_EQ(run.Angle, 0.0);

    // 'H' stands on the baseline and reaches up no higher than the ascent; 'g' goes below.
    ASSERT_EQ(run.Glyphs.size(), 2u);
    const PlacedGlyph& h = run.Glyphs[0];
    EXPECT_EQ(h.Y + h.Image->Height, 0);
    EXPECT_GE(h.Y, -run.Ascent);
    const PlacedGlyph& g = run.Glyphs[1];
    EXPECT_GT(g.Y + g.Image->Height, 0);
    EXPECT_LE(g.Y + g.Image->Height, run.Height - run.Ascent);

    // A height of 0 is the 8 pt default.
    const TextRun byDefault = Layout(Font(0), "Hg");
    EXPECT_EQ(byDefault.Width, run.Width);
    EXPECT_EQ(byDefault.Height, run.Height);
    EXPECT_EQ(byDefault.Ascent, run.Ascent);
}

TEST(FontMetrics, PositiveHeightAsksForTheCell) {
    for (int cell = 8; cell <= 60; ++cell) {
        const TextRun run = Layout(Font(cell), "Hg");
        EXPECT_LE(run.Height, cell) << cell;
        EXPECT_GE(run.Height, cell - 2) << cell;
    }
    // The cell of an em size, asked for as a cell, gives that em size back.
    const TextRun em = Layout(Font(-13), "Scale 0.25");
    const TextRun cell = Layout(Font(em.Height), "Scale 0.25");
    EXPECT_EQ(cell.Height, em.Height);
    EXPECT_EQ(cell.Width, em.Width);
}

TEST(FontMetrics, WidthIsTheSumOfTheAdvancesWithoutKerning) {
    const LogFont font = Font(-11);
    const auto width = [&](std::string_view s) { return Layout(font, s).Width; };
    EXPECT_EQ(width("AB"), width("A") + width("B"));
    // A pair that kerning would tighten.
    EXPECT_EQ(width("AV"), width("A") + width("V"));
    EXPECT_EQ(width("To"), width("T") + width("o"));

    const std::string text = "Time [s], -1.5e3";
    int sum = 0;
    for (char c : text) {
        sum += width(std::string_view(&c, 1));
    }
    EXPECT_EQ(width(text), sum);

    // The glyphs follow the pen: each starts its advance where the previous one ended.
    const TextRun run = Layout(font, "ABC");
    ASSERT_EQ(run.Glyphs.size(), 3u);
    EXPECT_EQ(run.Glyphs[1].X - run.Glyphs[1].Image->Left, width("A"));
    EXPECT_EQ(run.Glyphs[2].X - run.Glyphs[2].Image->Left, width("AB"));
}

TEST(FontMetrics, DigitsShareOneAdvance) {
    for (int px : {11, 13, 16, 24}) {
        const LogFont font = Font(-px);
        const int zero = Layout(font, "0").Width;
        EXPECT_GT(zero, 0);
        for (char d = '1'; d <= '9'; ++d) {
            EXPECT_EQ(Layout(font, std::string_view(&d, 1)).Width, zero) << d << " at " << px;
        }
    }
}

TEST(FontMetrics, EmptyTextHasTheCellButNoWidth) {
    TextRun run;
    run.Width = 99;
    run.Glyphs.resize(3);
    ASSERT_TRUE(LayoutText(Font(-11), "", run));
    EXPECT_EQ(run.Width, 0);
    EXPECT_TRUE(run.Glyphs.empty());
    const TextRun other = Layout(Font(-11), "x");
    EXPECT_EQ(run.Height, other.Height);
    EXPECT_EQ(run.Ascent, other.Ascent);
}

struct Box {
    int Left, Top, Right, Bottom;
};

Box BoxOf(const PlacedGlyph& g) {
    return {g.X, g.Y, g.X + g.Image->Width, g.Y + g.Image->Height};
}

TEST(FontRotation, NinetyDegreesRunsUpwardWithTransposedGlyphs) {
    const std::string text = "Temp 25";
    LogFont font = Font(-13);
    const TextRun level = Layout(font, text);
    font.Escapement = 900;
    const TextRun up = Layout(font, text);

    EXPECT_NEAR(up.Angle, std::numbers::pi / 2, 1e-12);
    EXPECT_EQ(up.Width, level.Width);
    EXPECT_EQ(up.Height, level.Height);
    EXPECT_EQ(up.Ascent, level.Ascent);
    ASSERT_EQ(up.Glyphs.size(), level.Glyphs.size());

    int lastBottom = 1 << 20;
    for (size_t i = 0; i < up.Glyphs.size(); ++i) {
        const PlacedGlyph& g = up.Glyphs[i];
        if (g.Image->Width == 0) {
            continue; // the space
        }
        const Box r = BoxOf(g);
        const Box l = BoxOf(level.Glyphs[i]);
        // Turning the screen a quarter counter-clockwise takes (x, y) to (y, -x).
        EXPECT_NEAR(r.Left, l.Top, 1) << i;
        EXPECT_NEAR(r.Right, l.Bottom, 1) << i;
        EXPECT_NEAR(r.Top, -l.Right, 1) << i;
        EXPECT_NEAR(r.Bottom, -l.Left, 1) << i;
        // Reading bottom to top: each glyph above the one before, on the same column.
        EXPECT_LE(r.Bottom, lastBottom + 1) << i;
        EXPECT_LT(r.Top, lastBottom) << i;
        EXPECT_GE(r.Left, -level.Ascent - 1) << i;
        EXPECT_LE(r.Right, level.Height - level.Ascent + 1) << i;
        lastBottom = r.Bottom;
        // The ink is the same, only turned.
        const int inkLevel = TotalCoverage(*level.Glyphs[i].Image);
        EXPECT_NEAR(TotalCoverage(*g.Image), inkLevel, inkLevel * 0.03 + 255) << i;
    }
    EXPECT_LT(up.Glyphs.back().Y, up.Glyphs.front().Y);
    EXPECT_NEAR(up.Glyphs.back().Y + up.Glyphs.back().Image->Height,
                -(level.Glyphs.back().X - level.Glyphs.back().Image->Left), 12);
}

TEST(FontRotation, OtherAnglesMoveThePenAlongTheTurnedBaseline) {
    const std::string text = "WWWWWWWW";
    for (int escapement : {300, 1800, 2700, -450}) {
        LogFont font = Font(-16);
        const TextRun level = Layout(font, text);
        font.Escapement = escapement;
        const TextRun run = Layout(font, text);
        ASSERT_EQ(run.Glyphs.size(), text.size());
        EXPECT_EQ(run.Width, level.Width);
        const double a = escapement * std::numbers::pi / 1800;
        EXPECT_NEAR(run.Angle, a, 1e-12);
        // The glyphs' ink centres march along the direction (cos a, -sin a) on the screen,
        // one advance apart.
        const auto centre = [](const PlacedGlyph& g, double& x, double& y) {
            x = g.X + g.Image->Width / 2.0;
            y = g.Y + g.Image->Height / 2.0;
        };
        double x0, y0, x1, y1;
        centre(run.Glyphs.front(), x0, y0);
        centre(run.Glyphs.back(), x1, y1);
        const double along = level.Glyphs.back().X - level.Glyphs.front().X;
        EXPECT_NEAR(x1 - x0, along * std::cos(a), 1.5) << escapement;
        EXPECT_NEAR(y1 - y0, -along * std::sin(a), 1.5) << escapement;
    }
}

TEST(FontGlyphs, CyrillicHasRealGlyphs) {
    const LogFont font = Font(-11);
    // A CJK ideograph is not in the face, so it shows the face's missing-glyph image.
    const TextRun missing = Layout(font, "\xE4\xB8\x80");
    ASSERT_EQ(missing.Glyphs.size(), 1u);
    const GlyphImage notdef = *missing.Glyphs[0].Image;

    const std::string text = "Путь к файлу";
    const TextRun run = Layout(font, text);
    ASSERT_EQ(run.Glyphs.size(), 12u); // code points, not bytes
    std::vector<GlyphImage> seen;
    for (size_t i = 0; i < run.Glyphs.size(); ++i) {
        const GlyphImage& image = *run.Glyphs[i].Image;
        if (i == 4 || i == 6) {
            EXPECT_EQ(TotalCoverage(image), 0) << i; // spaces
            continue;
        }
        EXPECT_GT(TotalCoverage(image), 0) << i;
        EXPECT_FALSE(SameImage(image, notdef)) << i;
        seen.push_back(image);
    }
    // П, у, т, ь, к, ф, а, й, л, у: nine different letters.
    int distinct = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        bool repeated = false;
        for (size_t j = 0; j < i; ++j) {
            repeated = repeated || SameImage(seen[i], seen[j]);
        }
        distinct += repeated ? 0 : 1;
    }
    EXPECT_EQ(distinct, 9);
    EXPECT_GT(run.Width, 0);
}

TEST(FontGlyphs, MalformedUtf8ShowsOneReplacementPerBadSequence) {
    const LogFont font = Font(-13);
    const TextRun replacement = Layout(font, "\xEF\xBF\xBD");
    ASSERT_EQ(replacement.Glyphs.size(), 1u);
    const GlyphImage expected = *replacement.Glyphs[0].Image;
    const TextRun a = Layout(font, "A");
    ASSERT_EQ(a.Glyphs.size(), 1u);
    const GlyphImage letterA = *a.Glyphs[0].Image;

    struct Case {
        std::string_view Text;
        std::string_view Shape; // 'A' for the letter, '?' for a replacement
    };
    const Case cases[] = {
        {"A\xFF"
         "A",
         "A?A"},
        {"A\xC3", "A?"}, // cut off at the end
        {"\xE2\x82"
         "A",
         "?A"},                       // a cut-off sequence is one replacement
        {"\xC0\xAF", "??"},           // overlong: neither byte starts a character
        {"\xED\xA0\x80", "???"},      // a surrogate
        {"\xF4\x90\x80\x80", "????"}, // beyond the last code point
        {"\x80\x80"
         "A",
         "??A"}, // stray continuation bytes
        {"\xF0\x9F\x98"
         "A",
         "?A"},
    };
    for (const Case& c : cases) {
        const TextRun run = Layout(font, c.Text);
        ASSERT_EQ(run.Glyphs.size(), c.Shape.size()) << c.Shape;
        for (size_t i = 0; i < c.Shape.size(); ++i) {
            EXPECT_TRUE(SameImage(*run.Glyphs[i].Image, c.Shape[i] == 'A' ? letterA : expected))
                << c.Shape << " at " << i;
        }
    }
}

TEST(FontGlyphs, GlyphsRenderTheSameAfterTheCacheIsDropped) {
    const LogFont font = Font(-13);
    const TextRun first = Layout(font, "Pressure, kPa");
    std::vector<GlyphImage> images;
    for (const PlacedGlyph& g : first.Glyphs) {
        images.push_back(*g.Image);
    }
    // Far more glyphs than the cache keeps, so that it is dropped at least once.
    std::string alphabet;
    for (char c = '!'; c <= '~'; ++c) {
        alphabet += c;
    }
    for (int size = 6; size < 60; ++size) {
        for (int escapement : {0, 900}) {
            LogFont other = Font(-size);
            other.Escapement = escapement;
            const TextRun run = Layout(other, alphabet);
            ASSERT_EQ(run.Glyphs.size(), alphabet.size());
            // Every image of the run is readable while the run is in use.
            int ink = 0;
            for (const PlacedGlyph& g : run.Glyphs) {
                ASSERT_EQ(g.Image->Coverage.size(),
                          static_cast<size_t>(g.Image->Width) * g.Image->Height);
                ink += TotalCoverage(*g.Image);
            }
            EXPECT_GT(ink, 0);
        }
    }
    const TextRun again = Layout(font, "Pressure, kPa");
    ASSERT_EQ(again.Glyphs.size(), images.size());
    EXPECT_EQ(again.Width, first.Width);
    for (size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(again.Glyphs[i].X, first.Glyphs[i].X);
        EXPECT_EQ(again.Glyphs[i].Y, first.Glyphs[i].Y);
        EXPECT_TRUE(SameImage(*again.Glyphs[i].Image, images[i])) << i;
    }
}

class FontWithoutFaces : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::string(VEMORA_TEST_OUTPUT_DIR) + "/no-fonts.conf";
        std::filesystem::create_directories(VEMORA_TEST_OUTPUT_DIR);
        std::FILE* f = std::fopen(path_.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", f);
        std::fclose(f);
    }
    void TearDown() override {
        EXPECT_TRUE(UseFontConfigurationForTesting(""));
        std::filesystem::remove(path_);
    }
    std::string path_;
};

TEST_F(FontWithoutFaces, LayoutFailsWithAnEmptyRun) {
    ASSERT_TRUE(UseFontConfigurationForTesting(path_));
    TextRun run;
    run.Width = 5;
    run.Height = 6;
    run.Ascent = 4;
    run.Angle = 1;
    run.Glyphs.resize(2);
    LogFont font = Font(-11);
    font.Escapement = 900;
    EXPECT_FALSE(LayoutText(font, "Label", run));
    EXPECT_EQ(run.Width, 0);
    EXPECT_EQ(run.Height, 0);
    EXPECT_EQ(run.Ascent, 0);
    EXPECT_EQ(run.Angle, 0.0);
    EXPECT_TRUE(run.Glyphs.empty());
    EXPECT_TRUE(ResolvedFontFile(font).empty());
    EXPECT_FALSE(LayoutText(Font(-11), "", run));

    // Back on the system's fonts, the same record works again.
    ASSERT_TRUE(UseFontConfigurationForTesting(""));
    EXPECT_TRUE(LayoutText(font, "Label", run));
    EXPECT_FALSE(ResolvedFontFile(font).empty());
}

} // namespace
} // namespace vemora::gfx
