#include "panel/font_object.h"

#include "panel/chart_panel.h"

namespace vemora {

TChartFontObject::TChartFontObject(TCustomChartPanel* chart)
    : chart_(chart), font_(NewChartFont([this](void*) { Repaint(); })) {}

void TChartFontObject::Repaint() {
    if (chart_)
        chart_->Invalidate();
}

} // namespace vemora
