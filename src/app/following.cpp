#include "app/following.h"

#include "app/textreader.h"
#include "platform/numeric/exceptions.h"

namespace vemora {

TFollowing::TFollowing(std::string path) : file_(std::move(path)) {}

TFollowing::TNews TFollowing::Look(size_t most) {
    bytes_.clear();
    const platform::TGrowingFile::TRead read = file_.Read(bytes_, most);
    if (read.StartedOver) {
        data_ = TGrowingData();
        needsRun_ = true;
    }
    if (!bytes_.empty()) {
        const int64_t count = data_.Count();
        const int64_t settled = data_.Settled();
        data_.Feed(bytes_.data(), bytes_.size());
        changed_ = changed_ || data_.Count() != count || data_.Settled() != settled;
    }
    if (read.Ended && !data_.Ended()) {
        const int64_t count = data_.Count();
        data_.Finish();
        changed_ = changed_ || data_.Count() != count;
    }
    if (read.Error != 0) {
        // The reader's failure for the code, as a run would report it.
        SetPendingIOError(static_cast<int32_t>(read.Error));
        CheckIO();
    }
    TNews news;
    news.NeedsRun = needsRun_;
    news.Changed = changed_ && !needsRun_;
    news.Missing = read.Missing;
    news.Ended = read.Gone || read.Ended;
    return news;
}

void TFollowing::ReadAll() {
    for (;;) {
        if (Cancel.load(std::memory_order_relaxed))
            throw EAbort();
        const TNews news = Look();
        if (bytes_.empty() || news.Ended)
            break;
    }
}

std::vector<TDataRow> TFollowing::RunPoints() {
    return data_.Points();
}

void TFollowing::RunDone() {
    series_.Shown(data_);
    needsRun_ = false;
    changed_ = false;
}

void TFollowing::SeriesCleared() {
    series_.Reset();
    needsRun_ = false;
    changed_ = data_.Count() > 0;
}

bool TFollowing::UpdateSeries(TChartSeries& series) {
    changed_ = false;
    return series_.Update(data_, series);
}

} // namespace vemora
