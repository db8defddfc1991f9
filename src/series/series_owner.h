// What a series needs of the chart it belongs to, declared here so that the series stand
// below the chart: the panel and the axes (see axis_owner.h), the chart's series list,
// which a series joins and leaves, and the depth slots the series of a frame take. The
// chart's axis panel answers all of it.
#pragma once

#include "axes/axis_owner.h"

#include <cstdint>
#include <vector>

namespace vemora {

class TChartSeries;

// The chart's series in the order they were attached.
using TChartSeriesList = std::vector<TChartSeries*>;

class TSeriesOwner : public TAxisOwner {
public:
    using TAxisOwner::TAxisOwner;

    virtual const TChartSeriesList& SeriesList() const = 0;
    // Called by the series when its chart changes.
    virtual void AttachSeries(TChartSeries* series) = 0;
    virtual void DetachSeries(TChartSeries* series) = 0;
    // The highest depth slot of this frame: a series with an automatic slot takes the next.
    virtual int32_t HighestZOrder() const = 0;
    virtual void SetHighestZOrder(int32_t value) = 0;
};

} // namespace vemora
