#include "series/value_list.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "series/chart_series.h"

#include <cmath>

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
    order_ = other->order_;
    dateTime_ = other->dateTime_;
    multiplier_ = other->multiplier_;
    valueSource_ = other->valueSource_;
    statsDirty_ = true;
}

void TChartValueList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= ValueCount()) {
        throw EListError(index);
    }
}

double TChartValueList::ValueAt(int32_t index) const {
    CheckIndex(index);
    return static_cast<double>(static_cast<Extended>(values_[index]) * multiplier_);
}

void TChartValueList::SetValueAt(int32_t index, double value) {
    CheckIndex(index);
    values_[index] = value;
    statsDirty_ = true;
    if (owner_ != nullptr) {
        owner_->NotifyValueChanged(index);
    }
}

void TChartValueList::ClearAll() {
    std::vector<double>().swap(values_);
    statsDirty_ = true;
}

int32_t TChartValueList::InsertInOrder(double value) {
    const auto n = static_cast<int32_t>(values_.size());
    int32_t index = n;
    if (order_ == TChartListOrder::loAscending && n > 0 && !(values_[n - 1] <= value)) {
        int32_t i = n - 1;
        while (i >= 0 && values_[i] > value) {
            --i;
        }
        index = i + 1;
    } else if (order_ == TChartListOrder::loDescending && n > 0 && !(values_[n - 1] >= value)) {
        int32_t i = n - 1;
        while (i >= 0 && values_[i] < value) {
            --i;
        }
        index = i + 1;
    }
    values_.insert(values_.begin() + index, value);
    statsDirty_ = true;
    return index;
}

void TChartValueList::InsertAt(int32_t index, double value) {
    if (index < 0 || index > ValueCount()) {
        throw EListError(index);
    }
    values_.insert(values_.begin() + index, value);
    statsDirty_ = true;
}

void TChartValueList::DeleteAt(int32_t index) {
    CheckIndex(index);
    values_.erase(values_.begin() + index);
    statsDirty_ = true;
}

void TChartValueList::RotateFirstToLast() {
    if (values_.empty()) {
        return;
    }
    const double first = values_.front();
    values_.erase(values_.begin());
    values_.push_back(first);
    statsDirty_ = true;
}

int32_t TChartValueList::IndexOfValue(double value) const {
    for (int32_t i = 0; i < ValueCount(); ++i) {
        if (ValueAt(i) == value) {
            return i;
        }
    }
    return -1;
}

void TChartValueList::RecomputeStats() {
    const int32_t n = ValueCount();
    lowest_ = highest_ = sum_ = sumAbs_ = 0;
    finiteLowest_ = finiteHighest_ = 0;
    hasFinite_ = false;
    for (int32_t i = 0; i < n; ++i) {
        const double v = ValueAt(i);
        if (i == 0) {
            lowest_ = highest_ = sum_ = v;
            sumAbs_ = std::fabs(v);
        } else {
            if (v < lowest_) {
                lowest_ = v;
            } else if (v > highest_) {
                highest_ = v;
            }
            // Each sum is stored back to a double after every addition.
            sum_ = static_cast<double>(static_cast<Extended>(sum_) + v);
            sumAbs_ = static_cast<double>(static_cast<Extended>(sumAbs_) + std::fabs(v));
        }
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
    statsDirty_ = false;
}

void TChartValueList::EnsureStats() {
    if (statsDirty_) {
        RecomputeStats();
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

double TChartValueList::Sum() {
    EnsureStats();
    return sum_;
}

double TChartValueList::SumAbs() {
    EnsureStats();
    return sumAbs_;
}

void TChartValueList::SwapValues(int32_t i, int32_t j) {
    CheckIndex(i);
    CheckIndex(j);
    std::swap(values_[i], values_[j]);
    statsDirty_ = true;
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
    statsDirty_ = true;
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
