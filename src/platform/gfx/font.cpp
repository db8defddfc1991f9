#include "platform/gfx/font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <unordered_map>
#include <utility>
#include FT_FREETYPE_H

namespace vemora::gfx {

void LogFont::SetFaceName(std::string_view name) {
    const size_t n = std::min(name.size(), sizeof(FaceName) - 1);
    std::memset(FaceName, 0, sizeof(FaceName));
    std::memcpy(FaceName, name.data(), n);
}

std::string_view LogFont::FaceNameView() const {
    // The record may come from a file, so the terminator is not taken for granted.
    const void* end = std::memchr(FaceName, 0, sizeof(FaceName));
    const size_t n =
        end ? static_cast<size_t>(static_cast<const char*>(end) - FaceName) : sizeof(FaceName);
    return {FaceName, n};
}

bool LogFont::operator==(const LogFont& o) const {
    return Height == o.Height && Width == o.Width && Escapement == o.Escapement &&
           Orientation == o.Orientation && Weight == o.Weight && Italic == o.Italic &&
           Underline == o.Underline && StrikeOut == o.StrikeOut && CharSet == o.CharSet &&
           OutPrecision == o.OutPrecision && ClipPrecision == o.ClipPrecision &&
           Quality == o.Quality && PitchAndFamily == o.PitchAndFamily &&
           FaceNameView() == o.FaceNameView();
}

int32_t HeightFromPoints(int points) {
    // Rounded half away from zero, in integers so that no size lands on the wrong side.
    const int64_t num = static_cast<int64_t>(points) * kPixelsPerInch;
    const int64_t px = num >= 0 ? (num + 36) / 72 : (num - 36) / 72;
    return static_cast<int32_t>(-px);
}

namespace {

// Hinted outlines keep stems crisp at the small sizes of axis labels, and hinted advances
// are whole pixels, so text extents do not drift with the position of the text.
constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT;
// Enough for every label of a few charts in a few sizes and angles; a full cache is dropped
// whole rather than aged, which keeps hits free of bookkeeping.
constexpr size_t kMaxCachedGlyphs = 4096;
constexpr int kMaxPixelSize = 2048;

struct Face {
    std::string Path;
    int Index = 0;
    FT_Face Handle = nullptr;
    int CurrentPixelSize = 0;
    // Cell heights asked for, with the pixel size that gives them.
    std::unordered_map<int32_t, int> CellSizes;
};

struct GlyphKey {
    const Face* F;
    int PixelSize;
    int Angle; // tenths of a degree, 0..3599
    FT_UInt Glyph;
    bool operator==(const GlyphKey&) const = default;
};

struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const {
        size_t h = std::hash<const void*>()(k.F);
        const auto mix = [&h](uint64_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
        mix(static_cast<uint64_t>(k.PixelSize));
        mix(static_cast<uint64_t>(k.Angle));
        mix(k.Glyph);
        return h;
    }
};

struct CachedGlyph {
    GlyphImage Image;
    int Advance = 0; // whole pixels along the unrotated baseline
};

struct ResolveKey {
    std::string Name;
    int Weight;
    bool Italic;
    auto operator<=>(const ResolveKey&) const = default;
};

// Everything the text engine keeps for the life of the process. Torn down at exit so that
// leak checkers see FreeType and fontconfig released.
class FontState {
public:
    ~FontState() {
        glyphs_.clear();
        for (auto& [key, face] : faces_) {
            if (face->Handle) {
                FT_Done_Face(face->Handle);
            }
        }
        faces_.clear();
        if (library_) {
            FT_Done_FreeType(library_);
        }
        if (testConfig_) {
            FcConfigDestroy(testConfig_);
        }
        if (fcStarted_) {
            FcFini();
        }
    }

    Face* Resolve(const LogFont& font);
    bool UseConfiguration(std::string_view file);
    const CachedGlyph* Glyph(Face& face, int pixelSize, int angle, FT_UInt glyph);

    void TrimGlyphCache() {
        if (glyphs_.size() > kMaxCachedGlyphs) {
            glyphs_.clear();
        }
    }

private:
    FcConfig* Config() {
        if (testConfig_) {
            return testConfig_;
        }
        if (!fcStarted_) {
            fcStarted_ = FcInit() == FcTrue;
        }
        return fcStarted_ ? FcConfigGetCurrent() : nullptr;
    }
    std::pair<std::string, int> Match(const ResolveKey& key);
    Face* Load(const std::string& path, int index);

    FT_Library library_ = nullptr;
    bool ftFailed_ = false;
    bool fcStarted_ = false;
    FcConfig* testConfig_ = nullptr;
    std::map<ResolveKey, Face*> resolved_;
    ResolveKey last_{{}, 0, false};
    Face* lastFace_ = nullptr;
    bool lastValid_ = false;
    std::map<std::pair<std::string, int>, std::unique_ptr<Face>> faces_;
    std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> glyphs_;
};

FontState& State() {
    static FontState state;
    return state;
}

int FcWeightOf(int32_t weight) {
    // Buckets rather than interpolation, so that every weight from 600 up picks a bold face
    // of a family that has only regular and bold.
    if (weight <= 0) {
        return FC_WEIGHT_REGULAR;
    }
    if (weight < 150) {
        return FC_WEIGHT_THIN;
    }
    if (weight < 250) {
        return FC_WEIGHT_EXTRALIGHT;
    }
    if (weight < 350) {
        return FC_WEIGHT_LIGHT;
    }
    if (weight < 450) {
        return FC_WEIGHT_REGULAR;
    }
    if (weight < 600) {
        return FC_WEIGHT_MEDIUM;
    }
    if (weight < 650) {
        return FC_WEIGHT_DEMIBOLD;
    }
    if (weight < 750) {
        return FC_WEIGHT_BOLD;
    }
    if (weight < 850) {
        return FC_WEIGHT_EXTRABOLD;
    }
    return FC_WEIGHT_BLACK;
}

std::pair<std::string, int> FontState::Match(const ResolveKey& key) {
    FcConfig* config = Config();
    if (!config) {
        return {};
    }
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        return {};
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.Name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, key.Weight);
    FcPatternAddInteger(pattern, FC_SLANT, key.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) {
        return {};
    }
    std::pair<std::string, int> found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        found.first = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
            found.second = index;
        }
    }
    FcPatternDestroy(match);
    return found;
}

Face* FontState::Load(const std::string& path, int index) {
    auto key = std::make_pair(path, index);
    if (auto it = faces_.find(key); it != faces_.end()) {
        return it->second->Handle ? it->second.get() : nullptr;
    }
    if (!library_ && !ftFailed_) {
        ftFailed_ = FT_Init_FreeType(&library_) != 0;
        if (ftFailed_) {
            library_ = nullptr;
        }
    }
    auto face = std::make_unique<Face>();
    face->Path = path;
    face->Index = index;
    if (library_) {
        FT_Face handle = nullptr;
        if (FT_New_Face(library_, path.c_str(), index, &handle) == 0) {
            // Only scalable faces can follow arbitrary sizes and angles.
            if (FT_IS_SCALABLE(handle) && handle->charmap &&
                handle->charmap->encoding == FT_ENCODING_UNICODE) {
                face->Handle = handle;
            } else {
                FT_Done_Face(handle);
            }
        }
    }
    // A failure is kept too, so that a broken file is not reopened for every line of text.
    Face* loaded = face->Handle ? face.get() : nullptr;
    faces_.emplace(std::move(key), std::move(face));
    return loaded;
}

Face* FontState::Resolve(const LogFont& font) {
    std::string_view name = font.FaceNameView();
    if (name.empty()) {
        name = "Arial";
    }
    const int weight = FcWeightOf(font.Weight);
    const bool italic = font.Italic != 0;
    // Text is drawn in runs with one record, so the last answer is nearly always the one.
    if (lastValid_ && last_.Weight == weight && last_.Italic == italic && last_.Name == name) {
        return lastFace_;
    }
    ResolveKey key{std::string(name), weight, italic};
    Face* face = nullptr;
    if (auto it = resolved_.find(key); it != resolved_.end()) {
        face = it->second;
    } else {
        const auto [path, index] = Match(key);
        face = path.empty() ? nullptr : Load(path, index);
        resolved_.emplace(key, face);
    }
    last_ = std::move(key);
    lastFace_ = face;
    lastValid_ = true;
    return face;
}

bool FontState::UseConfiguration(std::string_view file) {
    resolved_.clear();
    lastValid_ = false;
    if (testConfig_) {
        FcConfigDestroy(testConfig_);
        testConfig_ = nullptr;
    }
    if (file.empty()) {
        return true;
    }
    // The library must be started before a configuration of our own can be built.
    if (!fcStarted_) {
        fcStarted_ = FcInit() == FcTrue;
    }
    FcConfig* config = FcConfigCreate();
    if (!config) {
        return false;
    }
    const std::string path(file);
    if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue) ||
        !FcConfigBuildFonts(config)) {
        FcConfigDestroy(config);
        return false;
    }
    testConfig_ = config;
    return true;
}

// FreeType keeps one active size per face, and selecting one runs the font's size program,
// so a size already selected is left alone.
bool SelectPixelSize(Face& face, int pixelSize) {
    if (face.CurrentPixelSize == pixelSize) {
        return true;
    }
    if (FT_Set_Pixel_Sizes(face.Handle, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        face.CurrentPixelSize = 0;
        return false;
    }
    face.CurrentPixelSize = pixelSize;
    return true;
}

// Whole pixels above and below the baseline at the selected size, never less than the
// outline reaches on average.
int AscentPixels(const Face& face) {
    return (face.Handle->size->metrics.ascender + 63) >> 6;
}
int DescentPixels(const Face& face) {
    return (-face.Handle->size->metrics.descender + 63) >> 6;
}

int CellAt(Face& face, int pixelSize) {
    if (!SelectPixelSize(face, pixelSize)) {
        return -1;
    }
    return AscentPixels(face) + DescentPixels(face);
}

// The largest size whose cell fits the height asked for, so that stacked lines of that
// height never overlap.
int PixelSizeForCell(Face& face, int32_t cell) {
    if (auto it = face.CellSizes.find(cell); it != face.CellSizes.end()) {
        return it->second;
    }
    const FT_Face h = face.Handle;
    const double units = static_cast<double>(h->ascender) - h->descender;
    const double estimate = units > 0 ? static_cast<double>(cell) * h->units_per_EM / units : cell;
    int size = std::clamp(static_cast<int>(std::lround(estimate)), 1, kMaxPixelSize);
    while (size > 1 && CellAt(face, size) > cell) {
        --size;
    }
    while (size < kMaxPixelSize) {
        const int next = CellAt(face, size + 1);
        if (next < 0 || next > cell) {
            break;
        }
        ++size;
    }
    face.CellSizes.emplace(cell, size);
    return size;
}

void CopyBitmap(const FT_Bitmap& bitmap, GlyphImage& image) {
    image.Width = static_cast<int>(bitmap.width);
    image.Height = static_cast<int>(bitmap.rows);
    image.Coverage.assign(static_cast<size_t>(image.Width) * image.Height, 0);
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || !bitmap.buffer) {
        return;
    }
    const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (int y = 0; y < image.Height; ++y) {
        const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        uint8_t* dst = image.Coverage.data() + static_cast<size_t>(y) * image.Width;
        if (levels == 255) {
            std::memcpy(dst, src, static_cast<size_t>(image.Width));
        } else {
            for (int x = 0; x < image.Width; ++x) {
                dst[x] = static_cast<uint8_t>(src[x] * 255 / levels);
            }
        }
    }
}

struct Direction {
    double Cos;
    double Sin;
};

// Exact at the right angles, where labels of vertical axes are drawn, so that their glyphs
// are the unrotated hinted ones turned pixel for pixel.
Direction DirectionOf(int tenths) {
    switch (tenths) {
    case 0:
        return {1, 0};
    case 900:
        return {0, 1};
    case 1800:
        return {-1, 0};
    case 2700:
        return {0, -1};
    default: {
        const double a = tenths * std::numbers::pi / 1800.0;
        return {std::cos(a), std::sin(a)};
    }
    }
}

const CachedGlyph* FontState::Glyph(Face& face, int pixelSize, int angle, FT_UInt glyph) {
    const GlyphKey key{&face, pixelSize, angle, glyph};
    if (auto it = glyphs_.find(key); it != glyphs_.end()) {
        return &it->second;
    }
    int advance = 0;
    if (angle != 0) {
        // The pen moves by the unrotated advance, so rotated text has the extent of level text.
        const CachedGlyph* level = Glyph(face, pixelSize, 0, glyph);
        if (!level) {
            return nullptr;
        }
        advance = level->Advance;
    }
    if (!SelectPixelSize(face, pixelSize)) {
        return nullptr;
    }
    if (angle != 0) {
        const Direction d = DirectionOf(angle);
        FT_Matrix m;
        m.xx = static_cast<FT_Fixed>(std::lround(d.Cos * 65536.0));
        m.xy = static_cast<FT_Fixed>(std::lround(-d.Sin * 65536.0));
        m.yx = static_cast<FT_Fixed>(std::lround(d.Sin * 65536.0));
        m.yy = static_cast<FT_Fixed>(std::lround(d.Cos * 65536.0));
        FT_Set_Transform(face.Handle, &m, nullptr);
    } else {
        FT_Set_Transform(face.Handle, nullptr, nullptr);
    }
    const FT_Error loadError = FT_Load_Glyph(face.Handle, glyph, kLoadFlags);
    FT_Set_Transform(face.Handle, nullptr, nullptr);
    if (loadError != 0) {
        return nullptr;
    }
    FT_GlyphSlot slot = face.Handle->glyph;
    if (angle == 0) {
        advance = static_cast<int>((slot->advance.x + 32) >> 6);
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return nullptr;
    }
    CachedGlyph& cached = glyphs_[key];
    cached.Advance = advance;
    cached.Image.Left = slot->bitmap_left;
    cached.Image.Top = slot->bitmap_top;
    CopyBitmap(slot->bitmap, cached.Image);
    return &cached;
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point and moves past it. A malformed sequence yields one replacement
// for its longest valid-looking prefix, so a stray byte never swallows the next character.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos++);
    if (lead < 0x80) {
        return lead;
    }
    int more = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) {
            lo = 0xA0; // overlong
        } else if (lead == 0xED) {
            hi = 0x9F; // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) {
            lo = 0x90; // overlong
        } else if (lead == 0xF4) {
            hi = 0x8F; // beyond U+10FFFF
        }
    } else {
        return kReplacement;
    }
    for (int i = 0; i < more; ++i) {
        if (pos >= text.size()) {
            return kReplacement;
        }
        const unsigned char b = byte(pos);
        if (b < lo || b > hi) {
            return kReplacement;
        }
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
        ++pos;
    }
    return cp;
}

} // namespace

namespace {

// The metrics of a line of text and, for each glyph, its index, the glyph in the run's size
// and angle, and the pen position; false when no face can be loaded.
struct LineMetrics {
    const Face* F = nullptr;
    int PixelSize = 0;
    int Width = 0;
    int Height = 0;
    int Ascent = 0;
    int Angle = 0; // tenths of a degree, 0..3599
};
template <class Each>
bool LayOutLine(const LogFont& font, std::string_view utf8, LineMetrics& line, Each&& each) {
    FontState& state = State();
    state.TrimGlyphCache();
    Face* face = state.Resolve(font);
    if (!face) {
        return false;
    }
    const int32_t height = font.Height == 0 ? HeightFromPoints(8) : font.Height;
    const int pixelSize =
        height < 0
            ? static_cast<int>(std::min<int64_t>(-static_cast<int64_t>(height), kMaxPixelSize))
            : PixelSizeForCell(*face, height);
    if (!SelectPixelSize(*face, pixelSize)) {
        return false;
    }
    const int ascent = AscentPixels(*face);
    const int descent = DescentPixels(*face);

    int angle = font.Escapement % 3600;
    if (angle < 0) {
        angle += 3600;
    }
    int pen = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos);
        FT_UInt index = FT_Get_Char_Index(face->Handle, cp);
        const CachedGlyph* glyph = state.Glyph(*face, pixelSize, angle, index);
        if (!glyph && index != 0) {
            index = 0;
            glyph = state.Glyph(*face, pixelSize, angle, 0);
        }
        if (!glyph) {
            continue;
        }
        each(index, *glyph, pen);
        pen += glyph->Advance;
    }
    line = {face, pixelSize, pen, ascent + descent, ascent, angle};
    return true;
}

} // namespace

bool LayoutText(const LogFont& font, std::string_view utf8, TextRun& run) {
    run.Width = 0;
    run.Height = 0;
    run.Ascent = 0;
    run.Angle = 0;
    run.Glyphs.clear();
    run.Glyphs.reserve(utf8.size());
    int angle = font.Escapement % 3600;
    if (angle < 0) {
        angle += 3600;
    }
    const Direction dir = DirectionOf(angle);
    LineMetrics line;
    const bool laid = LayOutLine(font, utf8, line, [&](FT_UInt, const CachedGlyph& glyph, int pen) {
        PlacedGlyph placed;
        if (angle == 0) {
            placed.X = pen + glyph.Image.Left;
            placed.Y = -glyph.Image.Top;
        } else {
            placed.X = static_cast<int>(std::lround(pen * dir.Cos)) + glyph.Image.Left;
            placed.Y = static_cast<int>(std::lround(-pen * dir.Sin)) - glyph.Image.Top;
        }
        placed.Image = &glyph.Image;
        run.Glyphs.push_back(placed);
    });
    if (!laid) {
        run.Glyphs.clear();
        return false;
    }
    run.Width = line.Width;
    run.Height = line.Height;
    run.Ascent = line.Ascent;
    run.Angle = font.Escapement * std::numbers::pi / 1800.0;
    return true;
}

bool LayoutOutlines(const LogFont& font, std::string_view utf8, OutlineRun& run) {
    run = OutlineRun{};
    run.Glyphs.reserve(utf8.size());
    LineMetrics line;
    if (!LayOutLine(font, utf8, line, [&](FT_UInt index, const CachedGlyph&, int pen) {
            run.Glyphs.push_back({index, pen});
        })) {
        run.Glyphs.clear();
        return false;
    }
    run.FontFile = line.F->Path;
    run.FaceIndex = line.F->Index;
    run.PixelSize = line.PixelSize;
    run.Width = line.Width;
    run.Height = line.Height;
    run.Ascent = line.Ascent;
    run.Angle = font.Escapement * std::numbers::pi / 1800.0;
    return true;
}

std::string_view ResolvedFontFile(const LogFont& font) {
    const Face* face = State().Resolve(font);
    return face ? std::string_view(face->Path) : std::string_view();
}

bool UseFontConfigurationForTesting(std::string_view config_file) {
    return State().UseConfiguration(config_file);
}

} // namespace vemora::gfx
