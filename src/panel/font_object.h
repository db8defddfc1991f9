// An object of the chart with a font of its own (the titles): the font starts as the
// chart's default font and every change of it repaints the chart.
#pragma once

#include "canvas/chart_pen.h"

#include <memory>

namespace vemora {

class TCustomChartPanel;

class TChartFontObject {
public:
    explicit TChartFontObject(TCustomChartPanel* chart);
    TChartFontObject(const TChartFontObject&) = delete;
    TChartFontObject& operator=(const TChartFontObject&) = delete;
    virtual ~TChartFontObject() = default;

    TCustomChartPanel* ParentChart() const { return chart_; }
    TFont& Font() { return *font_; }
    const TFont& Font() const { return *font_; }
    void SetFont(const TFont& value) { font_->Assign(value); }
    // Only a font that differs from the default is kept with the settings.
    bool FontStored() const { return !IsDefaultChartFont(*font_); }

    void Assign(const TChartFontObject& source) { font_->Assign(*source.font_); }
    void Repaint();

private:
    TCustomChartPanel* chart_;
    std::unique_ptr<TFont> font_;
};

} // namespace vemora
