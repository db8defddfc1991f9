#include "series/value_list.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "series/chart_series.h"

#include <bit>
#include <cmath>
#include <utility>

namespace vemora {

TChartValueList::TChartValueList(TChartSeries* owner, std::string name)
    : name_(std::move(name)), owner_(owner) {
    if (owner_ != nullptr) {
        owner_->ValueListsMutable().push_back(this);
    }
    ClearAll();
}

void TChartValueList::CopySettingsFrom(const TChartValueList* other) {
    if (other == nullptr) {
        return;
    }
    ++settingsVersion_;
    SetOrder(other->order_);
    dateTime_ = other->dateTime_;
    multiplier_ = other->multiplier_;
    valueSource_ = other->valueSource_;
    MarkStatsDirty();
}

void TChartValueList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= ValueCount()) {
        throw EListError(index);
    }
}

double TChartValueList::ValueAt(int32_t index) const {
    CheckIndex(index);
    return Scaled(std::as_const(values_)[index], multiplier_);
}

void TChartValueList::SetValueAt(int32_t index, double value) {
    CheckIndex(index);
    const uint64_t before = owner_ != nullptr ? owner_->PointsVersion() : 0;
    Unpaired(index - 1, index);
    values_[index] = value;
    Paired(index - 1, index);
    MarkStatsDirty();
    if (owner_ != nullptr) {
        owner_->NotifyValueChanged(index, before);
    }
}

void TChartValueList::ClearAll() {
    values_.Clear();
    MarkStatsDirty();
    broken_ = 0;
    brokenKnown_ = order_ != TChartListOrder::loNone;
}

void TChartValueList::SetOrder(TChartListOrder value) {
    if (value != order_) {
        order_ = value;
        ++settingsVersion_;
        brokenKnown_ = false;
    }
}

bool TChartValueList::Breaks(double a, double b) const {
    return order_ == TChartListOrder::loDescending ? !(a >= b) : !(a <= b);
}

int32_t TChartValueList::BrokenPairs(int32_t first, int32_t last) const {
    first = std::max(first, 0);
    last = std::min(last, values_.Size() - 2);
    int32_t count = 0;
    for (int32_t i = first; i <= last; ++i) {
        count += Breaks(std::as_const(values_)[i], std::as_const(values_)[i + 1]) ? 1 : 0;
    }
    return count;
}

// Without an Order, or until the next IsOrdered counts again, there is nothing to follow.
void TChartValueList::Unpaired(int32_t first, int32_t last) {
    if (brokenKnown_) {
        broken_ -= BrokenPairs(first, last);
    }
}

void TChartValueList::Paired(int32_t first, int32_t last) {
    if (brokenKnown_) {
        broken_ += BrokenPairs(first, last);
    }
}

bool TChartValueList::IsOrdered() const {
    if (order_ == TChartListOrder::loNone) {
        return false;
    }
    const int32_t n = values_.Size();
    if (!brokenKnown_) {
        broken_ = BrokenPairs(0, n - 2);
        brokenKnown_ = true;
    }
    // A NaN breaks every pair it is in; alone it has none.
    if (n == 1) {
        return !std::isnan(std::as_const(values_)[0]);
    }
    return broken_ == 0;
}

int32_t TChartValueList::InsertInOrder(double value) {
    const int32_t n = values_.Size();
    int32_t index = n;
    const bool ascending = order_ == TChartListOrder::loAscending;
    if (order_ != TChartListOrder::loNone && n > 0 &&
        Breaks(std::as_const(values_)[n - 1], value)) {
        if (IsOrdered()) {
            // Where the walk below would stop, found by halving.
            index = ascending ? values_.PartitionPoint([value](double e) { return !(value < e); })
                              : values_.PartitionPoint([value](double e) { return !(e < value); });
        } else {
            int32_t i = n - 1;
            while (i >= 0 && (ascending ? std::as_const(values_)[i] > value
                                        : std::as_const(values_)[i] < value)) {
                --i;
            }
            index = i + 1;
        }
    }
    Insert(index, value);
    return index;
}

void TChartValueList::InsertAt(int32_t index, double value) {
    if (index < 0 || index > ValueCount()) {
        throw EListError(index);
    }
    Insert(index, value);
}

void TChartValueList::Insert(int32_t index, double value) {
    Unpaired(index - 1, index - 1);
    values_.Insert(index, value);
    Paired(index - 1, index);
    StatsAfterInsert(index);
}

void TChartValueList::DeleteAt(int32_t index) {
    CheckIndex(index);
    Unpaired(index - 1, index);
    values_.Erase(index);
    Paired(index - 1, index - 1);
    MarkStatsDirty();
}

void TChartValueList::RotateFirstToLast() {
    if (values_.Empty()) {
        return;
    }
    Unpaired(0, 0);
    const double first = std::as_const(values_)[0];
    values_.Erase(0);
    values_.PushBack(first);
    Paired(values_.Size() - 2, values_.Size() - 2);
    MarkStatsDirty();
}

int32_t TChartValueList::IndexOfValue(double value) const {
    for (int32_t i = 0; i < ValueCount(); ++i) {
        if (ValueAt(i) == value) {
            return i;
        }
    }
    return -1;
}

void TChartValueList::AddToSums(double v, bool first) {
    if (first) {
        sum_ = v;
        sumAbs_ = std::fabs(v);
    } else {
        // Each sum is stored back to a double after every addition.
        sum_ = static_cast<double>(static_cast<Extended>(sum_) + v);
        sumAbs_ = static_cast<double>(static_cast<Extended>(sumAbs_) + std::fabs(v));
    }
}

void TChartValueList::RecomputeStats() {
    const int32_t n = ValueCount();
    lowest_ = highest_ = sum_ = sumAbs_ = 0;
    finiteLowest_ = finiteHighest_ = 0;
    hasFinite_ = false;
    nonFinite_ = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!std::isfinite(std::as_const(values_)[i])) {
            ++nonFinite_;
        }
        const double v = ValueAt(i);
        if (i == 0) {
            lowest_ = highest_ = v;
        } else if (v < lowest_) {
            lowest_ = v;
        } else if (v > highest_) {
            highest_ = v;
        }
        AddToSums(v, i == 0);
        if (std::isfinite(v)) {
            if (!hasFinite_) {
                finiteLowest_ = finiteHighest_ = v;
                hasFinite_ = true;
            } else if (v < finiteLowest_) {
                finiteLowest_ = v;
            } else if (v > finiteHighest_) {
                finiteHighest_ = v;
            }
        }
    }
    statsDirty_ = sumsDirty_ = false;
}

void TChartValueList::RecomputeSums() {
    sum_ = sumAbs_ = 0;
    for (int32_t i = 0; i < ValueCount(); ++i) {
        AddToSums(ValueAt(i), i == 0);
    }
    sumsDirty_ = false;
}

void TChartValueList::EnsureStats() {
    if (statsDirty_) {
        RecomputeStats();
    }
}

void TChartValueList::EnsureSums() {
    EnsureStats();
    if (sumsDirty_) {
        RecomputeSums();
    }
}

namespace {

// Folds v, inserted at index among count other values, into an extreme of those others.
// A rescan keeps the first of equal values, which tells apart only zeros of both signs;
// false when that first one cannot be known without the rescan.
bool FoldExtreme(double& extreme, double v, bool beyond, int32_t index, int32_t count) {
    if (beyond || (v == extreme && index == 0)) {
        extreme = v;
        return true;
    }
    return v != extreme || index == count ||
           std::bit_cast<uint64_t>(v) == std::bit_cast<uint64_t>(extreme);
}

} // namespace

// Brings the extremes to what a rescan would give with v at index, or returns false.
// A NaN counts only as the first value, where it makes both plain extremes NaN.
bool TChartValueList::FoldIntoExtremes(double v, int32_t index, int32_t count) {
    if (count == 0) {
        lowest_ = highest_ = v;
    } else if (std::isnan(lowest_)) {
        // The old first value was NaN: displacing it brings in all the values it hid.
        if (index == 0) {
            return false;
        }
    } else if (std::isnan(v)) {
        if (index == 0) {
            lowest_ = highest_ = v;
        }
    } else if (!FoldExtreme(lowest_, v, v < lowest_, index, count) ||
               !FoldExtreme(highest_, v, v > highest_, index, count)) {
        return false;
    }
    if (!std::isfinite(v)) {
        return true;
    }
    if (!hasFinite_) {
        finiteLowest_ = finiteHighest_ = v;
        hasFinite_ = true;
        return true;
    }
    return FoldExtreme(finiteLowest_, v, v < finiteLowest_, index, count) &&
           FoldExtreme(finiteHighest_, v, v > finiteHighest_, index, count);
}

// A point added to a long series must not cost a rescan at the next layout; the sums
// depend on the order of addition, so only an append keeps them.
void TChartValueList::StatsAfterInsert(int32_t index) {
    const int32_t count = ValueCount() - 1;
    const double v = ValueAt(index);
    if (!sumsDirty_ && index == count) {
        AddToSums(v, count == 0);
    } else {
        sumsDirty_ = true;
    }
    if (statsDirty_) {
        return;
    }
    if (!FoldIntoExtremes(v, index, count)) {
        MarkStatsDirty();
    } else if (!std::isfinite(std::as_const(values_)[index])) {
        ++nonFinite_;
    }
}

double TChartValueList::Lowest() {
    EnsureStats();
    return lowest_;
}

double TChartValueList::Highest() {
    EnsureStats();
    return highest_;
}

double TChartValueList::FiniteLowest() {
    EnsureStats();
    return finiteLowest_;
}

double TChartValueList::FiniteHighest() {
    EnsureStats();
    return finiteHighest_;
}

bool TChartValueList::HasFiniteValues() {
    EnsureStats();
    return hasFinite_;
}

int32_t TChartValueList::NonFiniteCount() {
    EnsureStats();
    return nonFinite_;
}

double TChartValueList::Sum() {
    EnsureSums();
    return sum_;
}

double TChartValueList::SumAbs() {
    EnsureSums();
    return sumAbs_;
}

void TChartValueList::SwapValues(int32_t i, int32_t j) {
    CheckIndex(i);
    CheckIndex(j);
    const int32_t a = std::min(i, j);
    const int32_t b = std::max(i, j);
    // Neighbours share a pair: one run of pairs then, else one run around each.
    if (b - a <= 1) {
        Unpaired(a - 1, b);
    } else {
        Unpaired(a - 1, a);
        Unpaired(b - 1, b);
    }
    values_.Swap(i, j);
    if (b - a <= 1) {
        Paired(a - 1, b);
    } else {
        Paired(a - 1, a);
        Paired(b - 1, b);
    }
    MarkStatsDirty();
}

void TChartValueList::SortByOrder() {
    if (order_ == TChartListOrder::loNone || owner_ == nullptr) {
        return;
    }
    const bool descending = order_ == TChartListOrder::loDescending;
    // Compares through ValueAt, reversed for descending order.
    const auto before = [&](int32_t a, double pivot) {
        return descending ? ValueAt(a) > pivot : ValueAt(a) < pivot;
    };
    const auto after = [&](int32_t a, double pivot) {
        return descending ? ValueAt(a) < pivot : ValueAt(a) > pivot;
    };
    struct Range {
        int32_t l, r;
    };
    std::vector<Range> pending{{0, ValueCount() - 1}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        if (range.l >= range.r) {
            continue;
        }
        int32_t i = range.l;
        int32_t j = range.r;
        const double pivot = ValueAt(range.l + (range.r - range.l) / 2);
        while (i <= j) {
            while (before(i, pivot)) {
                ++i;
            }
            while (after(j, pivot)) {
                --j;
            }
            if (i <= j) {
                if (i != j) {
                    owner_->SwapPoints(i, j);
                }
                ++i;
                --j;
            }
        }
        pending.push_back({range.l, j});
        pending.push_back({i, range.r});
    }
}

void TChartValueList::SetDateTime(bool value) {
    if (value == dateTime_) {
        return;
    }
    dateTime_ = value;
    if (owner_ != nullptr) {
        owner_->RequestRepaint();
    }
}

void TChartValueList::SetMultiplier(double value) {
    if (value == multiplier_) {
        return;
    }
    multiplier_ = value;
    ++settingsVersion_;
    MarkStatsDirty();
    if (owner_ != nullptr) {
        owner_->NotifyValuesModified();
        owner_->RequestRepaint();
    }
}

void TChartValueList::SetValueSource(std::string value) {
    if (value == valueSource_) {
        return;
    }
    valueSource_ = std::move(value);
    if (owner_ != nullptr) {
        owner_->CheckDataSource();
    }
}

} // namespace vemora
