#include "series/chart_series.h"

#include "platform/numeric/exceptions.h"

#include <algorithm>

namespace vemora {

TChartSeries::TChartSeries() {
    xValues_ = std::make_unique<TChartValueList>(this, "X");
    xValues_->SetOrder(TChartListOrder::loAscending);
    yValues_ = std::make_unique<TChartValueList>(this, "Y");
}

TChartSeries::~TChartSeries() {
    for (TChartSeries* source : dataSources_) {
        auto& links = source->linkedSeries_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    for (TChartSeries* linked : linkedSeries_) {
        auto& sources = linked->dataSources_;
        sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
    }
    dataSources_.clear();
    linkedSeries_.clear();
    TChartSeries::ClearPoints();
    SetParentChart(nullptr);
}

void TChartSeries::AddValueFromSource(TChartSeries* source, int32_t index) {
    const TColor color =
        index < static_cast<int32_t>(source->colors_.size()) ? source->colors_[index] : clDefault;
    AddPoint(source->XAt(index), source->YAt(index), source->LabelAt(index), color);
}

void TChartSeries::AddedInSource(TChartSeries* source, int32_t index) {
    AddValueFromSource(source, index);
}

void TChartSeries::RefillFromSource(TChartSeries* source) {
    ClearPoints();
    for (int32_t i = 0; i < source->PointCount(); ++i) {
        AddValueFromSource(source, i);
    }
}

void TChartSeries::ClearStorage() {
    for (TChartValueList* list : valueLists_) {
        list->ClearAll();
    }
    std::vector<TColor>().swap(colors_);
    std::vector<std::unique_ptr<std::string>>().swap(labels_);
}

void TChartSeries::DeletedInSource(TChartSeries* /*source*/, int32_t index) {
    if (index >= 0 && index < PointCount()) {
        DeletePoint(index);
    }
}

TColor TChartSeries::PointColor(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(colors_.size())) {
        return seriesColor_;
    }
    const TColor stored = colors_[index];
    if (stored != clDefault) {
        return stored;
    }
    return colorEachPoint_ ? PaletteColor(index) : seriesColor_;
}

std::string TChartSeries::LabelAt(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(labels_.size()) || !labels_[index]) {
        return {};
    }
    return *labels_[index];
}

void TChartSeries::NotifyAdded(TChartSeries* /*sender*/, int32_t valueIndex) {
    if (OnAfterAdd) {
        OnAfterAdd(this, valueIndex);
    }
    ForEachLinked(TSeriesRecalcOption::rOnInsert,
                  [&](TChartSeries* series) { series->AddedInSource(this, valueIndex); });
    if (active_) {
        RequestRepaint();
    }
}

void TChartSeries::SetActive(bool value) {
    if (value != active_) {
        active_ = value;
        RequestRepaint();
    }
}

void TChartSeries::SetColorEachPoint(bool value) {
    if (value == colorEachPoint_) {
        return;
    }
    colorEachPoint_ = value;
    if (!value) {
        std::fill(colors_.begin(), colors_.end(), clDefault);
    }
    RequestRepaint();
}

void TChartSeries::SetSeriesColor(TColor value) {
    if (value != seriesColor_) {
        seriesColor_ = value;
        RequestRepaint();
    }
}

int32_t TChartSeries::AddPoint(double x, double y, std::string_view label, TColor color) {
    xValues_->SetPendingValue(x);
    yValues_->SetPendingValue(y);
    if (OnBeforeAdd && !OnBeforeAdd(this)) {
        return -1;
    }
    const int32_t index = xValues_->InsertInOrder(xValues_->PendingValue());
    yValues_->InsertAt(index, yValues_->PendingValue());
    // Lists beyond X and Y take their staged values at the same index.
    for (size_t i = 2; i < valueLists_.size(); ++i) {
        valueLists_[i]->InsertAt(index, valueLists_[i]->PendingValue());
    }
    colors_.insert(colors_.begin() + index, color);
    labels_.insert(labels_.begin() + index,
                   label.empty() ? nullptr : std::make_unique<std::string>(label));
    NotifyAdded(this, index);
    return index;
}

void TChartSeries::ClearPoints() {
    ClearStorage();
    if (OnClearValues) {
        OnClearValues(this);
    }
    ForEachLinked(TSeriesRecalcOption::rOnClear,
                  [](TChartSeries* series) { series->ClearPoints(); });
    if (active_ && parentChart_ != nullptr && !parentChart_->ChartDestroying()) {
        RequestRepaint();
    }
}

void TChartSeries::DeletePoint(int32_t index) {
    for (TChartValueList* list : valueLists_) {
        list->DeleteAt(index);
    }
    if (index < static_cast<int32_t>(colors_.size())) {
        colors_.erase(colors_.begin() + index);
    }
    if (index < static_cast<int32_t>(labels_.size())) {
        labels_.erase(labels_.begin() + index);
    }
    ForEachLinked(TSeriesRecalcOption::rOnDelete,
                  [&](TChartSeries* series) { series->DeletedInSource(this, index); });
    if (active_) {
        RequestRepaint();
    }
}

void TChartSeries::SwapPoints(int32_t i, int32_t j) {
    for (TChartValueList* list : valueLists_) {
        list->SwapValues(i, j);
    }
    const auto n = static_cast<int32_t>(colors_.size());
    if (i < n && j < n) {
        std::swap(colors_[i], colors_[j]);
    }
    const auto m = static_cast<int32_t>(labels_.size());
    if (i < m && j < m) {
        std::swap(labels_[i], labels_[j]);
    }
}

void TChartSeries::SetPointColor(int32_t index, TColor color) {
    if (index < 0 || index >= static_cast<int32_t>(colors_.size())) {
        throw EListError(index);
    }
    colors_[index] = color;
    RequestRepaint();
}

void TChartSeries::RequestRepaint() {
    if (parentChart_ != nullptr) {
        parentChart_->InvalidateForSeries(this);
    }
}

void TChartSeries::SetXValues(const TChartValueList& settings) {
    xValues_->CopySettingsFrom(&settings);
    RequestRepaint();
}

void TChartSeries::SetYValues(const TChartValueList& settings) {
    yValues_->CopySettingsFrom(&settings);
    RequestRepaint();
}

void TChartSeries::SetParentChart(TSeriesParent* value) {
    parentChart_ = value;
}

void TChartSeries::AddLinkedSeries(TChartSeries* series) {
    if (series == nullptr || series == this ||
        std::find(linkedSeries_.begin(), linkedSeries_.end(), series) != linkedSeries_.end()) {
        return;
    }
    linkedSeries_.push_back(series);
    series->dataSources_.push_back(this);
}

void TChartSeries::RemoveLinkedSeries(TChartSeries* series) {
    const auto it = std::find(linkedSeries_.begin(), linkedSeries_.end(), series);
    if (it == linkedSeries_.end()) {
        return;
    }
    linkedSeries_.erase(it);
    auto& sources = series->dataSources_;
    sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
}

bool TChartSeries::HasRecalcOption(TSeriesRecalcOption option) const {
    return (recalcOptions_ & (1u << static_cast<unsigned>(option))) != 0;
}

void TChartSeries::SetRecalcOption(TSeriesRecalcOption option, bool on) {
    const auto bit = static_cast<uint8_t>(1u << static_cast<unsigned>(option));
    recalcOptions_ = on ? (recalcOptions_ | bit) : (recalcOptions_ & ~bit);
}

void TChartSeries::NotifyValueChanged(int32_t /*index*/) {
    ForEachLinked(TSeriesRecalcOption::rOnModify,
                  [this](TChartSeries* series) { series->RefillFromSource(this); });
}

void TChartSeries::NotifyValuesModified() {
    // Every linked series follows a change of all values, whatever its options.
    const std::vector<TChartSeries*> linked = linkedSeries_;
    for (TChartSeries* series : linked) {
        series->RefillFromSource(this);
    }
}

void TChartSeries::CheckDataSource() {
    if (!dataSources_.empty()) {
        RefillFromSource(dataSources_.front());
    }
}

} // namespace vemora
