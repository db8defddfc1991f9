#include "series/chart_series.h"

#include "axes/chart_axis.h"
#include "platform/numeric/exceptions.h"
#include "series/series_owner.h"

#include <algorithm>
#include <cmath>

namespace vemora {

TChartSeries::TChartSeries() {
    // The value lists first; the draw-time fields and the marks have their defaults.
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

void TChartSeries::Assign(const TChartSeries& source) {
    if (&source == this)
        return;
    SetSeriesColor(source.seriesColor_);
    SetTitle(source.title_);
    SetShowInLegend(source.showInLegend_);
    SetValueFormat(source.valueFormat_);
    SetPercentFormat(source.percentFormat_);
    SetColorEachPoint(source.colorEachPoint_);
    marks_.SetVisible(source.marks_.Visible());
    marks_.SetArrowLength(source.marks_.ArrowLength());
    marks_.SetClip(source.marks_.Clip());
    SetCursor(source.cursor_);
    SetClipToAxisRange(source.clipToAxisRange_);
    connectsPoints_ = source.connectsPoints_;
    SetHorizAxis(source.horizAxis_);
    SetVertAxis(source.vertAxis_);
    // A custom axis belongs to a chart: only one of this series' own chart is taken.
    if (source.parentChart_ == parentChart_) {
        SetCustomHorizAxis(source.customHorizAxis_);
        SetCustomVertAxis(source.customVertAxis_);
    }
    SetZOrder(source.zOrder_);
    xValues_->CopySettingsFrom(source.xValues_.get());
    yValues_->CopySettingsFrom(source.yValues_.get());
    SetActive(source.active_);
    RequestRepaint();
}

void TChartSeries::AddValueFromSource(TChartSeries* source, int32_t index) {
    const TColor color = index < source->colors_.Size() ? source->colors_[index] : clDefault;
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
    colors_.Clear();
    labels_.Clear();
}

void TChartSeries::DeletedInSource(TChartSeries* /*source*/, int32_t index) {
    if (index >= 0 && index < PointCount()) {
        DeletePoint(index);
    }
}

TColor TChartSeries::PointColor(int32_t index) const {
    if (index < 0 || index >= colors_.Size()) {
        return seriesColor_;
    }
    return ColorShown(colors_[index], index);
}

std::string TChartSeries::LabelAt(int32_t index) const {
    if (index < 0 || index >= labels_.Size() || !labels_[index]) {
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
    if (active_)
        RequestPointsRepaint();
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
        colors_.Fill(clDefault);
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
    const uint64_t before = PointsVersion();
    // A list that fails half way leaves the edit out of the log: the next frame looks at
    // every point.
    const int32_t index = xValues_->InsertInOrder(xValues_->PendingValue());
    InsertAtIndex(index, label, color);
    LogEdit(TPointEdit::TKind::Insert, index, before);
    NotifyAdded(this, index);
    return index;
}

void TChartSeries::InsertAtIndex(int32_t index, std::string_view label, TColor color) {
    yValues_->InsertAt(index, yValues_->PendingValue());
    // Lists beyond X and Y take their staged values at the same index.
    for (size_t i = 2; i < valueLists_.size(); ++i) {
        valueLists_[i]->InsertAt(index, valueLists_[i]->PendingValue());
    }
    // Until some point has a label the list of them stays empty, which reads the same: a
    // plot of many points without labels pays neither the memory nor the insertions.
    if (!label.empty() && labels_.Empty()) {
        for (int32_t i = 0; i < colors_.Size(); ++i)
            labels_.PushBack(nullptr);
    }
    colors_.Insert(index, color);
    if (!labels_.Empty() || !label.empty())
        labels_.Insert(index, label.empty() ? nullptr : std::make_unique<std::string>(label));
}

void TChartSeries::ReservePoints(int32_t count) {
    for (TChartValueList* list : valueLists_)
        list->Reserve(count);
    colors_.Reserve(count);
    labels_.Reserve(count);
}

void TChartSeries::ClearPoints() {
    ClearStorage();
    if (OnClearValues) {
        OnClearValues(this);
    }
    ForEachLinked(TSeriesRecalcOption::rOnClear,
                  [](TChartSeries* series) { series->ClearPoints(); });
    if (active_ && parentChart_ != nullptr && !parentChart_->Destroying()) {
        RequestPointsRepaint();
    }
}

void TChartSeries::DeletePoint(int32_t index) {
    const uint64_t before = PointsVersion();
    for (TChartValueList* list : valueLists_) {
        list->DeleteAt(index);
    }
    if (index < colors_.Size()) {
        colors_.Erase(index);
    }
    if (index < labels_.Size()) {
        labels_.Erase(index);
    }
    LogEdit(TPointEdit::TKind::Erase, index, before);
    ForEachLinked(TSeriesRecalcOption::rOnDelete,
                  [&](TChartSeries* series) { series->DeletedInSource(this, index); });
    if (active_) {
        RequestPointsRepaint();
    }
}

void TChartSeries::SwapPoints(int32_t i, int32_t j) {
    const uint64_t before = PointsVersion();
    for (TChartValueList* list : valueLists_) {
        list->SwapValues(i, j);
    }
    if (i < colors_.Size() && j < colors_.Size()) {
        colors_.Swap(i, j);
    }
    if (i < labels_.Size() && j < labels_.Size()) {
        labels_.Swap(i, j);
    }
    LogEdit(TPointEdit::TKind::Change, i, before);
    LogEdit(TPointEdit::TKind::Change, j, PointsVersion());
}

void TChartSeries::SetPointColor(int32_t index, TColor color) {
    if (index < 0 || index >= colors_.Size()) {
        throw EListError(index);
    }
    const uint64_t before = PointsVersion();
    colors_[index] = color;
    LogEdit(TPointEdit::TKind::Change, index, before);
    RequestPointsRepaint();
}

uint64_t TChartSeries::PointsVersion() const {
    uint64_t version = colors_.Version() + labels_.Version();
    for (const TChartValueList* list : valueLists_)
        version += list->Version();
    return version;
}

void TChartSeries::LogEdit(TPointEdit::TKind kind, int32_t index, uint64_t before) {
    if (editsOverflowed_)
        return;
    if (edits_.size() == kMaxLoggedEdits) {
        editsOverflowed_ = true;
        return;
    }
    edits_.push_back({kind, index});
    editVersions_.emplace_back(before, PointsVersion());
}

std::optional<std::span<const TPointEdit>> TChartSeries::EditsSince(uint64_t version) const {
    const uint64_t now = PointsVersion();
    if (editsOverflowed_)
        return std::nullopt;
    size_t first = 0;
    while (first < edits_.size() && editVersions_[first].first != version)
        ++first;
    if (first == edits_.size()) {
        if (now == version)
            return std::span<const TPointEdit>();
        return std::nullopt;
    }
    // Each edit must begin where the one before ended: a change between them was not logged.
    for (size_t k = first + 1; k < edits_.size(); ++k) {
        if (editVersions_[k].first != editVersions_[k - 1].second)
            return std::nullopt;
    }
    if (editVersions_.back().second != now)
        return std::nullopt;
    return std::span<const TPointEdit>(edits_).subspan(first);
}

void TChartSeries::ForgetEdits() {
    edits_.clear();
    editVersions_.clear();
    editsOverflowed_ = false;
}

void TChartSeries::RequestPointsRepaint() {
    if (parentChart_ != nullptr)
        parentChart_->InvalidatePoints();
}

void TChartSeries::RequestRepaint() {
    if (parentChart_ != nullptr) {
        parentChart_->Invalidate();
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

void TChartSeries::SetParentChart(TSeriesOwner* value) {
    if (value == parentChart_)
        return;
    if (parentChart_)
        parentChart_->DetachSeries(this);
    parentChart_ = value;
    ResolveAxes();
    if (parentChart_)
        parentChart_->AttachSeries(this);
}

void TChartSeries::ResolveAxes() {
    horizAxisObject_ = vertAxisObject_ = nullptr;
    if (!parentChart_)
        return;
    horizAxisObject_ = &parentChart_->BottomAxis();
    if (horizAxis_ == THorizAxis::aTopAxis)
        horizAxisObject_ = &parentChart_->TopAxis();
    else if (horizAxis_ == THorizAxis::aCustomHorizAxis && customHorizAxis_)
        horizAxisObject_ = customHorizAxis_;
    vertAxisObject_ = &parentChart_->LeftAxis();
    if (vertAxis_ == TVertAxis::aRightAxis)
        vertAxisObject_ = &parentChart_->RightAxis();
    else if (vertAxis_ == TVertAxis::aCustomVertAxis && customVertAxis_)
        vertAxisObject_ = customVertAxis_;
}

void TChartSeries::SetHorizAxis(THorizAxis value) {
    if (value == horizAxis_)
        return;
    horizAxis_ = value;
    ResolveAxes();
    RequestRepaint();
}

void TChartSeries::SetVertAxis(TVertAxis value) {
    if (value == vertAxis_)
        return;
    vertAxis_ = value;
    ResolveAxes();
    RequestRepaint();
}

void TChartSeries::SetCustomHorizAxis(TCustomChartAxis* value) {
    if (value == customHorizAxis_)
        return;
    customHorizAxis_ = value;
    ResolveAxes();
    RequestRepaint();
}

void TChartSeries::SetCustomVertAxis(TCustomChartAxis* value) {
    if (value == customVertAxis_)
        return;
    customVertAxis_ = value;
    ResolveAxes();
    RequestRepaint();
}

bool TChartSeries::IsOnAxis(const TCustomChartAxis* axis) const {
    if (!UsesAxes() || axis == nullptr)
        return false;
    if (axis->IsHorizontal())
        return horizAxis_ == THorizAxis::aBothHorizAxis || axis == horizAxisObject_;
    return vertAxis_ == TVertAxis::aBothVertAxis || axis == vertAxisObject_;
}

// A series outside any chart has no screen position: 0.
int32_t TChartSeries::XPixel(int32_t index) const {
    return horizAxisObject_ ? horizAxisObject_->ValueToPixelX(XAt(index)) : 0;
}

int32_t TChartSeries::YPixel(int32_t index) const {
    return vertAxisObject_ ? vertAxisObject_->ValueToPixelY(YAt(index)) : 0;
}

namespace {

// How the values ValueAt reads run, when the list knows it without reading them.
enum class TValueRun { vrUnknown, vrRising, vrFalling };

TValueRun ValueRun(const TChartValueList& list) {
    if (!list.IsOrdered())
        return TValueRun::vrUnknown;
    // A finite multiplier other than zero keeps or reverses every comparison of the stored
    // values and makes no NaN; zero or an infinity times an infinity or a zero would.
    const double times = list.Multiplier();
    if (!std::isfinite(times) || times == 0)
        return TValueRun::vrUnknown;
    return (list.Order() == TChartListOrder::loAscending) == (times > 0) ? TValueRun::vrRising
                                                                         : TValueRun::vrFalling;
}

// The first index from `from` on whose value is not below `bound` (the count when there is
// none): the walk `while (ValueAt(i) < bound) ++i`, by halving when the run is known.
int32_t FirstNotBelow(const TChartValueList& list, TValueRun run, int32_t from, double bound) {
    const int32_t count = list.ValueCount();
    switch (run) {
    case TValueRun::vrRising: {
        int32_t lo = from, hi = count;
        while (lo < hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (list.ValueAt(mid) < bound)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }
    case TValueRun::vrFalling:
        // Every later value is at most this one: below the bound if this one is.
        return from < count && list.ValueAt(from) < bound ? count : from;
    case TValueRun::vrUnknown:
        break;
    }
    int32_t i = from;
    while (i < count && list.ValueAt(i) < bound)
        ++i;
    return i;
}

} // namespace

void TChartSeries::FindShownRange() {
    firstShown_ = lastShown_ = -1;
    const int32_t count = PointCount();
    if (count == 0)
        return;
    const int32_t last = count - 1;
    const bool xList = &MainValueList() == yValues_.get();
    TChartValueList& list = xList ? *xValues_ : *yValues_;
    const TCustomChartAxis* axis = xList ? horizAxisObject_ : vertAxisObject_;
    if (!clipToAxisRange_ || list.Order() == TChartListOrder::loNone || axis == nullptr ||
        parentChart_ == nullptr) {
        firstShown_ = 0;
        lastShown_ = last;
        return;
    }
    const Rect& plot = parentChart_->PlotRect();
    const bool inverted = axis->Inverted();
    const int32_t startEdge =
        xList ? (inverted ? plot.Right : plot.Left) : (inverted ? plot.Top : plot.Bottom);
    const int32_t endEdge =
        xList ? (inverted ? plot.Left : plot.Right) : (inverted ? plot.Bottom : plot.Top);
    const TValueRun run = ValueRun(list);
    const double lo = axis->PixelToValue(startEdge);
    const int32_t first = FirstNotBelow(list, run, 0, lo);
    if (first > last)
        return;
    firstShown_ = first;
    const double hi = axis->PixelToValue(endEdge);
    if (list.LastValue() <= hi) {
        lastShown_ = last;
        return;
    }
    // The first point at or beyond hi, kept when the series draws a line to it.
    int32_t lastShown = std::min(FirstNotBelow(list, run, first, hi), last);
    if (!connectsPoints_ && list.ValueAt(lastShown) > hi)
        --lastShown;
    lastShown_ = lastShown;
}

void TChartSeries::ComputeZIndex() {
    if (!parentChart_)
        return;
    if (zOrder_ == -1) {
        if (parentChart_->View3D()) {
            parentChart_->SetHighestZOrder(parentChart_->HighestZOrder() + 1);
            zIndex_ = parentChart_->HighestZOrder();
        } else {
            zIndex_ = 0;
        }
    } else {
        parentChart_->SetHighestZOrder(std::max(parentChart_->HighestZOrder(), zOrder_));
    }
}

bool TChartSeries::DoSeriesClick(int32_t valueIndex, ui::TMouseButton button, ui::TShiftState shift,
                                 int32_t x, int32_t y) {
    // A copy: the handler may replace itself.
    const TSeriesClick handler = shift.Has(ui::TShiftKey::ssDouble) ? OnDblClick : OnClick;
    if (!handler)
        return false;
    handler(this, valueIndex, button, shift, x, y);
    return true;
}

bool TChartSeries::SharesZOrder() const {
    if (!parentChart_ || !parentChart_->UseZOrder())
        return false;
    const int32_t z = EffectiveZOrder();
    for (const TChartSeries* other : parentChart_->SeriesList()) {
        if (other != this && other->Active() && !other->HasZValues() &&
            other->EffectiveZOrder() == z)
            return true;
    }
    return false;
}

bool TChartSeries::FirstInZOrder() const {
    if (!active_)
        return false;
    if (!parentChart_)
        return true;
    const int32_t z = EffectiveZOrder();
    for (const TChartSeries* other : parentChart_->SeriesList()) {
        if (other == this)
            return true;
        if (other->Active() && other->EffectiveZOrder() == z)
            return false;
    }
    return true;
}

void TChartSeries::SetZRange(int32_t start, int32_t end) {
    zStart_ = start;
    zEnd_ = end;
    zMiddle_ = static_cast<int32_t>((int64_t{start} + end) / 2);
    marks_.SetZPosition(zMiddle_);
}

void TChartSeries::HorizMargins(int32_t& left, int32_t& right) {
    left = right = 0;
}

void TChartSeries::VertMargins(int32_t& top, int32_t& bottom) {
    top = bottom = 0;
}

void TChartSeries::DoAfterDrawValues() {
    if (AfterDrawValues)
        AfterDrawValues(this);
}

void TChartSeries::DoBeforeDrawValues() {
    if (BeforeDrawValues)
        BeforeDrawValues(this);
}

void TChartSeries::DrawAllPoints() {
    if (lastShown_ < firstShown_ || firstShown_ < 0)
        return;
    if (DrawsForward()) {
        for (int32_t i = firstShown_; i <= lastShown_; ++i)
            DrawPoint(i);
    } else {
        for (int32_t i = lastShown_; i >= firstShown_; --i)
            DrawPoint(i);
    }
}

int32_t TChartSeries::Add(double value, std::string_view label, TColor color) {
    return AddPoint(PointCount(), value, label, color);
}

int32_t TChartSeries::AddNull(double value) {
    return Add(value, {}, clNone);
}

int32_t TChartSeries::AddNullXY(double x, double y) {
    return AddPoint(x, y, {}, clNone);
}

void TSeriesMarks::Changed() {
    series_->RequestRepaint();
}

void TSeriesMarks::SetVisible(bool value) {
    if (StoreChanged(visible_, value))
        Changed();
}

void TSeriesMarks::SetArrowLength(int32_t value) {
    if (StoreChanged(arrowLength_, value))
        Changed();
}

void TSeriesMarks::SetClip(bool value) {
    if (StoreChanged(clip_, value))
        Changed();
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

void TChartSeries::NotifyValueChanged(int32_t index, uint64_t before) {
    LogEdit(TPointEdit::TKind::Change, index, before);
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
