// Pens, brushes and fonts: the platform's drawing tools as persistent objects with a
// change notification, and the chart's own pen family, brush and default font.
#pragma once

#include "canvas/colors.h"
#include "platform/gfx/bitmap.h"

#include <functional>
#include <memory>
#include <string>

namespace vemora {

using TNotifyEvent = std::function<void(void* sender)>;

enum class TPenStyle {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    // The cosmetic one-pixel pen of alternating dots; made only by ApplyChartPen.
    psAlternate
};

enum class TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

enum class TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// Every setter stores and notifies only when the value changes.
class TPen {
public:
    TPen() = default;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;
    virtual ~TPen() = default;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int32_t Width() const { return width_; }
    void SetWidth(int32_t value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode value);

    // Colour, width, style and mode; one notification.
    void Assign(const TPen& source);

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor color_ = clBlack;
    int32_t width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
    TPenMode mode_ = TPenMode::pmCopy;
};

class TChartPen : public TPen {
public:
    explicit TChartPen(TNotifyEvent onChange = {});

    bool SmallDots() const { return smallDots_; }
    void SetSmallDots(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    // Visible and SmallDots first, then the platform pen's properties.
    void Assign(const TChartPen& source);

protected:
    TChartPen(TNotifyEvent onChange, TColor color, int32_t width, TPenStyle style, bool visible);

private:
    bool smallDots_ = false;
    bool visible_ = true;
};

class TChartHiddenPen : public TChartPen {
public:
    explicit TChartHiddenPen(TNotifyEvent onChange = {});
};

class TDottedGrayPen : public TChartPen {
public:
    explicit TDottedGrayPen(TNotifyEvent onChange = {});
};

class TDarkGrayPen : public TChartPen {
public:
    explicit TDarkGrayPen(TNotifyEvent onChange = {});
};

class TChartAxisPen : public TChartPen {
public:
    explicit TChartAxisPen(TNotifyEvent onChange = {});
};

class TChartArrowPen : public TChartPen {
public:
    explicit TChartArrowPen(TNotifyEvent onChange = {});
};

class TBrush {
public:
    TBrush() = default;
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;
    virtual ~TBrush() = default;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap, shared with whoever set it.
    const std::shared_ptr<const gfx::Bitmap>& Bitmap() const { return bitmap_; }
    void SetBitmap(std::shared_ptr<const gfx::Bitmap> value);
    bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }

    void Assign(const TBrush& source);
    // Counts every assignment, changing or not: a canvas selects its brush again after
    // any of them, which also sets the background mode of text and hatches.
    uint64_t Generation() const { return generation_; }

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
    std::shared_ptr<const gfx::Bitmap> bitmap_;
    uint64_t generation_ = 0;
};

class TChartBrush : public TBrush {
public:
    explicit TChartBrush(TNotifyEvent onChange = {});
};

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font in points at 96 pixels per inch; Height is the equivalent negative pixel height.
class TFont {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value);
    int32_t Size() const;
    void SetSize(int32_t points);
    int32_t Height() const { return height_; }
    void SetHeight(int32_t value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    uint8_t Style() const { return style_; } // TFontStyle bits
    void SetStyle(uint8_t value);
    uint8_t CharSet() const { return charSet_; }

    void Assign(const TFont& source);

    TNotifyEvent OnChange;

private:
    void Changed();

    std::string name_ = "Arial";
    int32_t height_ = -13; // 10 points
    TColor color_ = clBlack;
    uint8_t style_ = 0;
    uint8_t charSet_ = 1; // default character set
};

constexpr const char* kDefaultChartFontName = "Arial";
constexpr int32_t kDefaultChartFontSize = 8;

std::unique_ptr<TFont> NewChartFont(TNotifyEvent onChange);
// The font needs no storing with the chart's settings.
bool IsDefaultChartFont(const TFont& font);

class TMedium;
// Makes the canvas pen draw as the chart pen says.
void ApplyChartPen(TMedium& canvas, const TChartPen& pen);

} // namespace vemora
