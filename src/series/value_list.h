// One column of a series' points (the X values or the Y values), kept in its Order, read
// through its Multiplier, with lazily cached statistics for the axes.
#pragma once

#include "series/blocked_array.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vemora {

class TChartSeries;

enum class TChartListOrder { loNone, loAscending, loDescending };

class TChartValueList {
public:
    TChartValueList(TChartSeries* owner, std::string name);
    TChartValueList(const TChartValueList&) = delete;
    TChartValueList& operator=(const TChartValueList&) = delete;
    virtual ~TChartValueList() = default;

    // Copies Order, DateTime, Multiplier and ValueSource (not the name, not the values).
    virtual void CopySettingsFrom(const TChartValueList* other);

    // The stored value times Multiplier, computed in extended precision.
    virtual double ValueAt(int32_t index) const;
    // A stored value times a multiplier as ValueAt computes it. Times one the product is
    // the value itself (a NaN would come back quietened), so that case skips it.
    static double Scaled(double stored, double multiplier) {
        if (multiplier == 1.0 && !std::isnan(stored))
            return stored;
        return static_cast<double>(static_cast<long double>(stored) * multiplier);
    }
    // Stores the value as given (not divided by Multiplier); no repaint.
    virtual void SetValueAt(int32_t index, double value);
    virtual void ClearAll();
    // Room in the block directory for this many values; the blocks grow as they fill.
    void Reserve(int32_t count) { values_.Reserve(count); }
    // Inserts by Order and returns the index; equal values go after those present, a NaN
    // goes last. In a list out of its Order the value goes after the last one that would
    // not come after it.
    virtual int32_t InsertInOrder(double value);
    virtual void InsertAt(int32_t index, double value);
    virtual int32_t ValueCount() const { return values_.Size(); }
    virtual void DeleteAt(int32_t index);
    virtual void RotateFirstToLast();

    double LastValue() const { return ValueAt(ValueCount() - 1); }
    int32_t IndexOfValue(double value) const;

    double Lowest();
    double Highest();
    // The extremes among the finite values; 0 when there is none.
    double FiniteLowest();
    double FiniteHighest();
    bool HasFiniteValues();
    // How many stored values (before the multiplier) are infinite or NaN.
    int32_t NonFiniteCount();
    double Sum();
    double SumAbs();
    // True while some cached statistic waits for a rescan.
    bool StatsDirty() const { return statsDirty_ || sumsDirty_; }

    // Quicksort of the owner's points by this list, exchanging whole points.
    void SortByOrder();
    void SwapValues(int32_t i, int32_t j);

    // True when the stored values keep the Order (loAscending: each value <= the next;
    // loDescending: >=) and none is NaN. Never for loNone. Known without a scan: the list
    // counts the neighbours out of order as it changes.
    bool IsOrdered() const;

    // The stored values, unmultiplied, for loops that must not pay a call per value: from
    // index to the end of its block (at least one value), or f(firstIndex, values) for
    // consecutive runs covering [first, last].
    std::span<const double> StoredChunkAt(int32_t index) const { return values_.ChunkAt(index); }
    template <class F> void ForEachStoredChunk(int32_t first, int32_t last, F f) const {
        values_.ForEachChunk(first, last, f);
    }

    bool DateTime() const { return dateTime_; }
    void SetDateTime(bool value);
    double Multiplier() const { return multiplier_; }
    void SetMultiplier(double value);
    const std::string& Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }
    TChartListOrder Order() const { return order_; }
    // Neither re-sorts nor repaints.
    void SetOrder(TChartListOrder value);
    const std::string& ValueSource() const { return valueSource_; }
    void SetValueSource(std::string value);

    double PendingValue() const { return pendingValue_; }
    void SetPendingValue(double value) { pendingValue_ = value; }

    TChartSeries* Owner() const { return owner_; }
    // Counts every change of the values or of how they are read (the multiplier, the order):
    // a reader that kept the count knows whether anything changed since.
    uint64_t Version() const { return values_.Version() + settingsVersion_; }

private:
    void CheckIndex(int32_t index) const;
    void MarkStatsDirty() { statsDirty_ = sumsDirty_ = true; }
    void RecomputeStats();
    void RecomputeSums();
    void AddToSums(double v, bool first);
    void EnsureStats();
    void EnsureSums();
    void StatsAfterInsert(int32_t index);
    bool FoldIntoExtremes(double v, int32_t index, int32_t count);
    // Follows the neighbours out of Order: call Unpaired before a change with the pairs
    // (i, i + 1), first <= i <= last, that it touches, and Paired after it with those
    // it leaves.
    bool Breaks(double a, double b) const;
    int32_t BrokenPairs(int32_t first, int32_t last) const;
    void Unpaired(int32_t first, int32_t last);
    void Paired(int32_t first, int32_t last);
    void Insert(int32_t index, double value);

    bool dateTime_ = false;
    TBlockedArray<double> values_;
    uint64_t settingsVersion_ = 0;
    double highest_ = 0;
    double lowest_ = 0;
    double finiteHighest_ = 0;
    double finiteLowest_ = 0;
    bool hasFinite_ = false;
    int32_t nonFinite_ = 0;
    double multiplier_ = 1.0;
    std::string name_;
    TChartListOrder order_ = TChartListOrder::loNone;
    TChartSeries* owner_;
    double pendingValue_ = 0;
    double sum_ = 0;
    double sumAbs_ = 0;
    std::string valueSource_;
    // statsDirty_ stands for every statistic; sumsDirty_ alone lets the extremes follow an
    // insertion while the order-dependent sums wait for a rescan.
    bool statsDirty_ = true;
    bool sumsDirty_ = true;
    // Adjacent pairs that break the Order, a pair with a NaN included; counted again at
    // the next IsOrdered after the Order changed.
    mutable int32_t broken_ = 0;
    mutable bool brokenKnown_ = false;
};

// The value lists of a series: X at position 0, Y at 1, further columns after them.
// Does not own the lists; each is owned by its series.
using TChartValueLists = std::vector<TChartValueList*>;

} // namespace vemora
