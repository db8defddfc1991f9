#include "app/growing_data.h"

#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"
#include "series/value_list.h"

#include <algorithm>
#include <cstring>

namespace vemora {

namespace {

constexpr uint8_t kCtrlZ = 26;

bool SameNumber(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SamePoint(const TDataRow& a, const TDataRow& b) {
    return SameNumber(a[0], b[0]) && SameNumber(a[1], b[1]);
}

} // namespace

TGrowingData::TGrowingData(int32_t keep, size_t mostNumbers)
    : keep_(std::max(keep, 1)), mostNumbers_(mostNumbers) {}

void TGrowingData::Feed(const uint8_t* data, size_t size) {
    Check();
    if (ended_ || size == 0)
        return;
    // The data ends at an end-of-data character: what comes before it is all there is.
    const auto* stop = static_cast<const uint8_t*>(std::memchr(data, kCtrlZ, size));
    const size_t usable = stop ? static_cast<size_t>(stop - data) : size;
    for (size_t i = 0; i < usable && !lineFailure_; ++i) {
        const uint8_t c = data[i];
        if (c > 32) {
            if (token_.empty())
                tokenColumn_ = column_ + 1;
            token_.push_back(static_cast<char>(c));
            // A long number is read in pieces of the reader's token length, each a number
            // of its own.
            if (token_.size() == TextReader::kTokenLength)
                EndToken();
        } else {
            EndToken();
            if (c == '\n') {
                EndLine(true);
                continue;
            }
        }
        ++column_;
    }
    if (stop)
        Finish();
    Check();
}

void TGrowingData::Finish() {
    if (!ended_ && !lineFailure_) {
        EndToken();
        EndLine(column_ > 0);
    }
    ended_ = true;
    Check();
}

void TGrowingData::EndLine(bool any) {
    if (!pending_.empty()) {
        ++tokenLines_;
        blankAfter_ = false;
        // The counting of lines reads each line's first number; the pairing reaches the
        // others only when enough lines have come.
        if (pendingBad_ == 0)
            lineFailure_ = pendingFailure_;
        if (pendingBad_ >= 0 && badToken_ < 0) {
            badToken_ = tokens_ + pendingBad_;
            badFailure_ = pendingFailure_;
        }
        values_.insert(values_.end(), pending_.begin(), pending_.end());
        tokens_ += static_cast<int64_t>(pending_.size());
    } else if (any) {
        blankAfter_ = true;
    }
    pending_.clear();
    pendingBad_ = -1;
    pendingFailure_ = nullptr;
    column_ = 0;
    ++line_;
}

void TGrowingData::EndToken() {
    if (token_.empty())
        return;
    double value = 0;
    std::exception_ptr failure;
    const auto place = [&] { return TokenPlaceText({line_, tokenColumn_, token_}); };
    // As the reader takes a number: its decimal scale may overflow, then its value may not
    // fit a double, and only then is a character that does not belong to it a failure.
    try {
        const TParseResult parsed = ParseReal(token_.c_str());
        value = StoreDouble(parsed.Value);
        if (parsed.ErrorPos != 0) {
            EInOutError error(IOErrorMessageFormat(io::kInvalidNumber), io::kInvalidNumber);
            error.SetDetail(place());
            failure = std::make_exception_ptr(error);
        }
    } catch (EOverflow& e) {
        e.SetDetail(place());
        failure = std::current_exception();
    }
    token_.clear();
    if (failure) {
        if (pendingBad_ < 0) {
            pendingBad_ = static_cast<int64_t>(pending_.size());
            pendingFailure_ = failure;
        }
        value = 0;
    }
    pending_.push_back(value);
    // Numbers the pairing has not reached are kept for when it does: so many that memory
    // would run out are a failure rather than the end of the program.
    const int64_t unpaired = tokens_ - std::min(tokens_, 2 * Count());
    if (static_cast<size_t>(unpaired) + pending_.size() > mostNumbers_ && !lineFailure_) {
        lineFailure_ = std::make_exception_ptr(
            Exception("The data has more numbers than lines to pair them: too many to follow"));
    }
}

void TGrowingData::Check() {
    if (lineFailure_) {
        ended_ = true;
        std::rethrow_exception(lineFailure_);
    }
    if (badToken_ >= 0 && badToken_ < 2 * Count()) {
        ended_ = true;
        std::rethrow_exception(badFailure_);
    }
    // The numbers of points gone are not needed again.
    const int64_t needed = std::min(2 * First(), tokens_);
    while (valuesBase_ < needed) {
        values_.pop_front();
        ++valuesBase_;
    }
}

int64_t TGrowingData::Settled() const {
    return std::min(Count(), tokens_ / 2);
}

double TGrowingData::Number(int64_t index) const {
    // Reading past the end of the data gives 0.
    if (index >= tokens_)
        return 0;
    return values_[static_cast<size_t>(index - valuesBase_)];
}

TDataRow TGrowingData::Point(int64_t i) const {
    return {Number(2 * i), Number(2 * i + 1)};
}

std::vector<TDataRow> TGrowingData::Points() const {
    std::vector<TDataRow> points;
    points.reserve(static_cast<size_t>(Count() - First()));
    for (int64_t i = First(); i < Count(); ++i)
        points.push_back(Point(i));
    return points;
}

void TGrowingSeries::Reset() {
    first_ = 0;
    settled_ = 0;
    shown_.clear();
}

void TGrowingSeries::Shown(const TGrowingData& data) {
    const std::vector<TDataRow> points = data.Points();
    shown_.assign(points.begin(), points.end());
    first_ = data.First();
    settled_ = data.Settled();
}

void TGrowingSeries::Remove(TChartSeries& series, const TDataRow& point, bool oldest) {
    // The series keeps its points in X order, each after those of the same X added before
    // it: the oldest of an X comes first among them, the newest last.
    const TChartValueList& xs = series.XValues();
    const double x = point[0];
    int32_t low = 0;
    int32_t high = xs.ValueCount();
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        const double value = xs.ValueAt(middle);
        if (oldest ? value < x : !(x < value))
            low = middle + 1;
        else
            high = middle;
    }
    int32_t index = oldest ? low : low - 1;
    const TChartValueList& ys = series.YValues();
    const auto matches = [&](int32_t i) {
        return i >= 0 && i < xs.ValueCount() && SameNumber(xs.ValueAt(i), x) &&
               SameNumber(ys.ValueAt(i), point[1]);
    };
    if (!matches(index)) {
        // Not where it belongs (the series was changed by others): the point itself.
        index = -1;
        for (int32_t i = 0; i < xs.ValueCount() && index < 0; ++i)
            if (matches(i))
                index = i;
        if (index < 0)
            return;
    }
    series.DeletePoint(index);
}

bool TGrowingSeries::Update(const TGrowingData& data, TChartSeries& series) {
    const int64_t end = first_ + static_cast<int64_t>(shown_.size());
    // From the oldest shown point that has changed on, the points leave and come again, so
    // that they stay in the order they were read.
    int64_t from = end;
    for (int64_t i = std::max({settled_, first_, data.First()}); i < end; ++i) {
        if (i >= data.Count() ||
            !SamePoint(shown_[static_cast<size_t>(i - first_)], data.Point(i))) {
            from = i;
            break;
        }
    }
    const int64_t gone = std::min(std::max(data.First(), first_), from) - first_;
    const int64_t leaving = (end - from) + gone;
    bool changed = leaving > 0 || data.Count() > from;
    if (leaving > 0 && leaving >= static_cast<int64_t>(series.PointCount())) {
        series.ClearPoints();
        shown_.clear();
    } else {
        for (int64_t i = end; i > from; --i) {
            Remove(series, shown_.back(), false);
            shown_.pop_back();
        }
        for (int64_t i = 0; i < gone; ++i) {
            Remove(series, shown_.front(), true);
            shown_.pop_front();
        }
    }
    first_ = data.First();
    const int64_t next = first_ + static_cast<int64_t>(shown_.size());
    for (int64_t i = std::max(next, first_); i < data.Count(); ++i) {
        const TDataRow point = data.Point(i);
        series.AddPoint(point[0], point[1], "", clDefault);
        shown_.push_back(point);
    }
    settled_ = data.Settled();
    return changed;
}

} // namespace vemora
