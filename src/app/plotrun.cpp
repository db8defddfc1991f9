#include "app/plotrun.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "series/chart_series.h"

namespace vemora {

int32_t PausePerPoint(int32_t dataCount, int32_t speed) {
    const int32_t product =
        static_cast<int32_t>(static_cast<uint32_t>(dataCount) * static_cast<uint32_t>(speed));
    if (product == 0) {
        throw EZeroDivide();
    }
    return static_cast<int32_t>(Round(50000.0L / static_cast<Extended>(product)));
}

TPlotRun::TPlotRun(TPlotWindow& window, TChartSeries& series) : window_(window), series_(series) {}

void TPlotRun::ReadPasses() {
    dataCount_ = kMaxPoints;
    // Rows beyond the ones a run fills keep what an earlier run left there.
    dataPoints_.resize(static_cast<size_t>(dataCount_));

    // First pass: count lines, at most kMaxPoints.
    dataFile_.AssignName(window_.PathText());
    dataFile_.OpenForInput();
    CheckIO();
    int32_t j = 1;
    for (;;) {
        const bool atEnd = dataFile_.AtEnd();
        CheckIO();
        if (atEnd || j > dataCount_) {
            break;
        }
        dataLine_ = StoreDouble(dataFile_.ReadNumber());
        dataFile_.SkipLine();
        CheckIO();
        ++j;
    }
    dataFile_.CloseText();
    CheckIO();
    dataCount_ = j - 1;

    // Second pass: two numbers per point, in reading order, whatever the lines. The file
    // is opened anew by the path field's text, and whatever it holds now is read.
    dataFile_.AssignName(window_.PathText());
    dataFile_.OpenForInput();
    CheckIO();
    for (int32_t i = 0; i < dataCount_; ++i) {
        for (int32_t column = 0; column < 2; ++column) {
            dataPoints_[static_cast<size_t>(i)][static_cast<size_t>(column)] =
                StoreDouble(dataFile_.ReadNumber());
            CheckIO();
        }
    }
    dataFile_.CloseText();
    CheckIO();
}

void TPlotRun::ReadDataFile() {
    try {
        ReadPasses();
    } catch (...) {
        // A failed run must not keep the file open: a descriptor per failed run would
        // soon end in "Too many open files".
        dataFile_.CloseQuietly();
        throw;
    }
}

void TPlotRun::Button1Click(void* /*sender*/) {
    ReadDataFile();
    window_.SetProgressMax(dataCount_);
    window_.PlotStarting();
    series_.ClearPoints();
    series_.ReservePoints(dataCount_);
    for (int32_t i = 0; i < dataCount_; ++i) {
        const TDataRow& row = dataPoints_[static_cast<size_t>(i)];
        series_.AddPoint(row[0], row[1], "", clDefault);
        window_.SetProgressPosition(i);
        window_.ShowProgress();
        if (window_.StopRequested())
            break;
    }
}

void TPlotRun::Series1AfterAdd(TChartSeries* /*sender*/, int32_t /*valueIndex*/) {
    window_.UpdateChart();
    window_.Sleep(PausePerPoint(dataCount_, speed_));
}

void TPlotRun::ScrollBar1Change(int32_t position) {
    speed_ = position;
}

} // namespace vemora
