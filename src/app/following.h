// Following a data file while it is written (or standard input while it comes): what was
// written since the last look is read, and the series is kept showing the points of the
// file's complete lines, the newest kMaxDataPoints of them.
#pragma once

#include "app/growing_data.h"
#include "platform/files/growing_file.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace vemora {

class TFollowing {
public:
    // The most read at one look: the rest waits for the next one.
    static constexpr size_t kMostPerLook = 4 << 20;

    // An empty path follows standard input.
    explicit TFollowing(std::string path);

    bool Standard() const { return file_.Standard(); }

    struct TNews {
        // The file is new (first found, replaced, or cut shorter): it needs a run of its
        // own, from its start, before points are added one by one.
        bool NeedsRun = false;
        // New points, or points that changed, are waiting for the series.
        bool Changed = false;
        // The file is not there (yet, or for a moment).
        bool Missing = false;
        // Following has ended: the file is gone, or the input has ended.
        bool Ended = false;
    };
    // Reads what was written since the last look, at most `most` bytes. Throws the failure
    // of a number with its place, or the reason the file cannot be read.
    TNews Look(size_t most = kMostPerLook);
    // Reads all the file holds now; on any thread, and given up when Cancel is set.
    void ReadAll();
    std::atomic<bool> Cancel{false};

    const TGrowingData& Data() const { return data_; }
    // The data's kept points, for a run that shows them.
    std::vector<TDataRow> RunPoints();
    // The run of RunPoints has added them all to the series.
    void RunDone();
    // The series was cleared: points come one by one from now on.
    void SeriesCleared();
    // Brings the series up to the data; returns whether it changed.
    bool UpdateSeries(TChartSeries& series);

private:
    platform::TGrowingFile file_;
    TGrowingData data_;
    TGrowingSeries series_;
    std::vector<uint8_t> bytes_;
    bool needsRun_ = false;
    bool changed_ = false;
};

} // namespace vemora
