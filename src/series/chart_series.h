// The base class of every series: its points (value lists, a colour and a label per
// point), the notifications it sends, and its link to the chart it belongs to.
#pragma once

#include "canvas/colors.h"
#include "series/value_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemora {

class TChartSeries;

// What a series needs of the chart it belongs to. The chart implements it; a series
// without a chart stores its points all the same and its repaint requests do nothing.
class TSeriesParent {
public:
    virtual ~TSeriesParent() = default;
    // Marks the chart for repainting; never draws.
    virtual void InvalidateForSeries(TChartSeries* series) = 0;
    virtual bool ChartDestroying() const = 0;
};

using TSeriesOnBeforeAdd = std::function<bool(TChartSeries* sender)>;
using TSeriesOnAfterAdd = std::function<void(TChartSeries* sender, int32_t valueIndex)>;
using TSeriesOnClear = std::function<void(TChartSeries* sender)>;

// Which source changes a linked series follows.
enum class TSeriesRecalcOption { rOnDelete, rOnModify, rOnInsert, rOnClear };

class TChartSeries {
public:
    TChartSeries();
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;
    virtual ~TChartSeries();

    // Data-source linking: this series copies what its source does.
    virtual void AddValueFromSource(TChartSeries* source, int32_t index);
    virtual void AddedInSource(TChartSeries* source, int32_t index);
    virtual void RefillFromSource(TChartSeries* source);
    // Empties every list; no events.
    virtual void ClearStorage();
    virtual void DeletedInSource(TChartSeries* source, int32_t index);

    virtual TColor PointColor(int32_t index) const;
    virtual std::string LabelAt(int32_t index) const;
    virtual double XAt(int32_t index) const { return xValues_->ValueAt(index); }
    virtual double YAt(int32_t index) const { return yValues_->ValueAt(index); }
    // Fires OnAfterAdd, tells the linked series, then requests a repaint.
    virtual void NotifyAdded(TChartSeries* sender, int32_t valueIndex);

    virtual void SetActive(bool value);
    virtual void SetColorEachPoint(bool value);
    virtual void SetSeriesColor(TColor value);

    // Inserts the point at the place its X value requires; returns its index, or -1 when
    // OnBeforeAdd refused it.
    virtual int32_t AddPoint(double x, double y, std::string_view label, TColor color);
    virtual void ClearPoints();
    virtual void DeletePoint(int32_t index);

    virtual double MaxX() { return xValues_->Highest(); }
    virtual double MaxY() { return yValues_->Highest(); }
    virtual double MaxZ() { return EffectiveZOrder(); }
    virtual double MinX() { return xValues_->Lowest(); }
    virtual double MinY() { return yValues_->Lowest(); }
    virtual double MinZ() { return EffectiveZOrder(); }

    virtual void SwapPoints(int32_t i, int32_t j);

    int32_t PointCount() const { return xValues_->ValueCount(); }
    bool IsNullPoint(int32_t index) const { return PointColor(index) == clNone; }
    void SetPointColor(int32_t index, TColor color);

    // Asks the chart for a repaint; only marks it invalid.
    void RequestRepaint();

    TChartValueList& XValues() { return *xValues_; }
    const TChartValueList& XValues() const { return *xValues_; }
    TChartValueList& YValues() { return *yValues_; }
    const TChartValueList& YValues() const { return *yValues_; }
    // Takes the given list's settings and repaints.
    void SetXValues(const TChartValueList& settings);
    void SetYValues(const TChartValueList& settings);
    const TChartValueLists& ValueLists() const { return valueLists_; }
    TChartValueLists& ValueListsMutable() { return valueLists_; }

    bool Active() const { return active_; }
    TColor SeriesColor() const { return seriesColor_; }
    bool ColorEachPoint() const { return colorEachPoint_; }

    int32_t ZOrder() const { return zOrder_; }
    int32_t ZIndex() const { return zIndex_; }

    TSeriesParent* ParentChart() const { return parentChart_; }
    void SetParentChart(TSeriesParent* value);

    // Linked series (those taking their data from this one).
    void AddLinkedSeries(TChartSeries* series);
    void RemoveLinkedSeries(TChartSeries* series);
    const std::vector<TChartSeries*>& LinkedSeries() const { return linkedSeries_; }
    const std::vector<TChartSeries*>& DataSources() const { return dataSources_; }
    bool HasRecalcOption(TSeriesRecalcOption option) const;
    void SetRecalcOption(TSeriesRecalcOption option, bool on);

    // Called by the value lists.
    void NotifyValueChanged(int32_t index);
    void NotifyValuesModified();
    void CheckDataSource();

    TSeriesOnBeforeAdd OnBeforeAdd;
    TSeriesOnAfterAdd OnAfterAdd;
    TSeriesOnClear OnClearValues;

protected:
    double EffectiveZOrder() const { return zOrder_ == -1 ? zIndex_ : zOrder_; }

    // Calls `action` for each linked series that follows `option`. Iterates over a copy:
    // a linked series' reaction may change the links.
    template <typename Action> void ForEachLinked(TSeriesRecalcOption option, Action action) {
        const std::vector<TChartSeries*> linked = linkedSeries_;
        for (TChartSeries* series : linked) {
            if (series->HasRecalcOption(option)) {
                action(series);
            }
        }
    }

    int32_t zOrder_ = -1;
    int32_t zIndex_ = 0;

private:
    TChartValueLists valueLists_;
    std::unique_ptr<TChartValueList> xValues_;
    std::unique_ptr<TChartValueList> yValues_;
    std::vector<TColor> colors_;
    // A null entry is an empty label; most points have none.
    std::vector<std::unique_ptr<std::string>> labels_;
    bool active_ = true;
    TColor seriesColor_ = clDefault;
    bool colorEachPoint_ = false;
    TSeriesParent* parentChart_ = nullptr;
    std::vector<TChartSeries*> linkedSeries_;
    std::vector<TChartSeries*> dataSources_;
    uint8_t recalcOptions_ = 0x0F;
};

} // namespace vemora
