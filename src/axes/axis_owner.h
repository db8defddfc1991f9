// What an axis needs of the chart it belongs to, declared here so that the axes stand
// below the chart: the panel it draws on (canvas, plot rectangle, depth), the list it
// joins, the side axes whose walls it draws beside, and what it asks about the series on
// it. The chart's axis panel answers all of it.
#pragma once

#include "panel/chart_panel.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vemora {

class TCustomChartAxis;
class TChartAxis;
class TChartSeries;

enum class TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

// May replace a label's text. ValueIndex is -1 (and Series null) for value labels.
using TAxisOnGetLabel = std::function<void(TCustomChartAxis* sender, TChartSeries* series,
                                           int32_t valueIndex, std::string& labelText)>;
// Supplies label values one by one instead of the walk down the scale.
using TAxisOnGetNextLabel = std::function<void(TCustomChartAxis* sender, int32_t labelIndex,
                                               double& labelValue, bool& stop)>;

class TAxisOwner : public TCustomChartPanelExtended {
public:
    using TCustomChartPanelExtended::TCustomChartPanelExtended;

    // Called by each axis's constructor and destructor.
    virtual void RegisterAxis(TCustomChartAxis* axis) = 0;
    virtual void UnregisterAxis(TCustomChartAxis* axis) = 0;
    virtual TChartAxis& BottomAxis() = 0;
    virtual TChartAxis& TopAxis() = 0;
    virtual TChartAxis& LeftAxis() = 0;
    virtual TChartAxis& RightAxis() = 0;

    // Whether the axis is drawn and takes space in this frame.
    virtual bool AxisShown(const TCustomChartAxis& axis) const = 0;
    // The thickness the axis leaves for its wall.
    virtual int32_t WallSizeFor(const TCustomChartAxis& axis) const = 0;

    // The smallest or largest finite value of the series on the axis; 0 without any.
    virtual double SeriesExtreme(const TCustomChartAxis& axis, bool wantMinimum,
                                 bool isX) const = 0;
    // The label style an automatic axis takes from the active series on it.
    virtual TAxisLabelStyle AutomaticLabelStyle(const TCustomChartAxis& axis) const = 0;
    // Whether the first active series on the axis keeps date-times there.
    virtual bool SeriesDateTime(const TCustomChartAxis& axis) const = 0;
    // Calls fn with the label of each point of the active series on the axis.
    virtual void ForEachPointLabel(const TCustomChartAxis& axis,
                                   const std::function<void(const std::string&)>& fn) const = 0;

    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
};

} // namespace vemora
