// The plot run: the start button's handler, the after-add pause and the speed change,
// written against a small window interface so that it runs headlessly as well as in the
// main window.
#pragma once

#include "app/textreader.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vemora {

class TChartSeries;

// The parts of the main window the plot run touches.
class TPlotWindow {
public:
    virtual ~TPlotWindow() = default;
    virtual std::string PathText() const = 0;
    virtual void SetProgressMax(int32_t value) = 0;
    virtual void SetProgressPosition(int32_t value) = 0;
    virtual void ShowProgress() = 0;
    // Repaints the chart's invalid region at once, synchronously.
    virtual void UpdateChart() = 0;
    // Pauses the thread; 0 only yields the processor.
    virtual void Sleep(int32_t milliseconds) = 0;
    // Both passes are done and the series is about to be cleared: the chart leaves any
    // zoom or pan, so that the new points are seen whatever their range.
    virtual void PlotStarting() {}
    // Whether the user asked for the run to stop (Esc, closing the window): it then ends
    // after the point it is adding, as a run cut short would.
    virtual bool StopRequested() const { return false; }
    // Runs `read`, one pass over the data file, and returns true once it has ended;
    // what it throws comes out of here. A window may run it on another thread and stay
    // alive meanwhile: should the user give up on the reading, the window calls `cancel`
    // and returns false without waiting, and `read` ends by itself (a read that blocks in
    // the system may never return; it keeps only what it owns).
    virtual bool RunReading(const std::function<void()>& read,
                            const std::function<void()>& /*cancel*/) {
        read();
        return true;
    }
};

// Round(50000 / (dataCount * speed)) in extended precision, ties to even; the product is
// a 32-bit integer. A zero product raises EZeroDivide.
int32_t PausePerPoint(int32_t dataCount, int32_t speed);

constexpr int32_t kMaxDataPoints = 40000;
using TDataRow = std::array<double, 2>;

// One reading of the data file, both passes, on whatever thread runs it. It owns its
// record and its rows, so that a reading the user gave up on can end on its own time.
class TDataReading {
public:
    explicit TDataReading(std::vector<TDataRow> rows);

    // The passes over the file at `path`: the first counts its lines into Count, the second
    // reads Count points into Rows. Each throws on failure, with the file closed; the
    // failure of a number says where it lies (Exception::Detail).
    void FirstPass(const std::string& path);
    void SecondPass(const std::string& path);

    TextReader DataFile;
    std::vector<TDataRow> Rows;
    int32_t Count = kMaxDataPoints;
    double DataLine = 0;
    // Set from any thread: the reading stops at its next read from the system.
    std::atomic<bool> Cancel{false};

private:
    template <class Pass> void Guarded(Pass&& pass);
    // Standard input cannot be opened again: the second pass reads what the first took.
    TKeptInput kept_;
};

class TPlotRun {
public:
    static constexpr int32_t kMaxPoints = kMaxDataPoints;
    using TDataRow = vemora::TDataRow;

    TPlotRun(TPlotWindow& window, TChartSeries& series);
    TPlotRun(const TPlotRun&) = delete;
    TPlotRun& operator=(const TPlotRun&) = delete;

    // The whole run: both passes over the file, then the points into the series one by
    // one, until the last or until the window asks it to stop. Throws on the first
    // failure; the data file is closed either way.
    void Button1Click(void* sender);
    void Series1AfterAdd(TChartSeries* sender, int32_t valueIndex);
    void ScrollBar1Change(int32_t position);

    // The points of `rows` (the first `count` of them) into the series one by one, as a run
    // shows them once the file is read: progress, pauses, and an end when the window asks.
    void PlotRows(const std::vector<TDataRow>& rows, int32_t count);

    // Points added to the series while this is off are neither drawn one by one nor
    // paced: whoever adds them draws once they are all in.
    void SetPaced(bool paced) { paced_ = paced; }

    // The two passes alone (steps up to closing the file the second time): fills
    // DataPoints and DataCount. Throws on failure, with the file closed.
    void ReadDataFile();

    const std::vector<TDataRow>& DataPoints() const { return dataPoints_; }
    int32_t DataCount() const { return dataCount_; }
    int32_t Speed() const { return speed_; }
    // The record of the last reading that ended (not one given up on).
    const TextReader& DataFile() const { return reading_->DataFile; }

private:
    void Adopt(const std::shared_ptr<TDataReading>& reading);

    TPlotWindow& window_;
    TChartSeries& series_;
    std::shared_ptr<TDataReading> reading_;
    std::vector<TDataRow> dataPoints_;
    int32_t dataCount_ = kMaxPoints;
    int32_t speed_ = 1;
    bool paced_ = true;
};

} // namespace vemora
