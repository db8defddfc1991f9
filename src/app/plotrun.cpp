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

TDataReading::TDataReading(std::vector<TDataRow> rows) : Rows(std::move(rows)) {}

template <class Pass> void TDataReading::Guarded(Pass&& pass) {
    try {
        pass();
    } catch (Exception& e) {
        // A number that does not read, or does not fit a double, is the last token taken.
        const auto* io = dynamic_cast<const EInOutError*>(&e);
        if (dynamic_cast<const EOverflow*>(&e) || (io && io->ErrorCode() == io::kInvalidNumber)) {
            e.SetDetail(TokenPlaceText(DataFile.LastTokenPlace()));
        }
        // A failed run must not keep the file open: a descriptor per failed run would
        // soon end in "Too many open files".
        DataFile.CloseQuietly();
        kept_ = TKeptInput();
        throw;
    } catch (...) {
        DataFile.CloseQuietly();
        kept_ = TKeptInput();
        throw;
    }
}

void TDataReading::FirstPass(const std::string& path) {
    Guarded([&] {
        Count = kMaxDataPoints;
        // Rows beyond the ones a run fills keep what an earlier run left there.
        Rows.resize(static_cast<size_t>(Count));
        DataFile.AssignName(path);
        DataFile.SetCancelFlag(&Cancel);
        DataFile.KeepInput(&kept_);
        DataFile.OpenForInput();
        CheckIO();
        // Lines, at most kMaxDataPoints.
        int32_t j = 1;
        for (;;) {
            const bool atEnd = DataFile.AtEnd();
            CheckIO();
            if (atEnd || j > Count) {
                break;
            }
            DataLine = StoreDouble(DataFile.ReadNumber());
            DataFile.SkipLine();
            CheckIO();
            ++j;
        }
        DataFile.CloseText();
        CheckIO();
        Count = j - 1;
    });
}

void TDataReading::SecondPass(const std::string& path) {
    Guarded([&] {
        // Two numbers per point, in reading order, whatever the lines. A file is opened
        // anew by its path, and whatever it holds now is read.
        DataFile.AssignName(path);
        DataFile.SetCancelFlag(&Cancel);
        DataFile.ReplayInput(&kept_);
        DataFile.OpenForInput();
        CheckIO();
        for (int32_t i = 0; i < Count; ++i) {
            for (int32_t column = 0; column < 2; ++column) {
                Rows[static_cast<size_t>(i)][static_cast<size_t>(column)] =
                    StoreDouble(DataFile.ReadNumber());
                CheckIO();
            }
        }
        DataFile.CloseText();
        CheckIO();
    });
    kept_ = TKeptInput();
}

TPlotRun::TPlotRun(TPlotWindow& window, TChartSeries& series)
    : window_(window), series_(series),
      reading_(std::make_shared<TDataReading>(std::vector<TDataRow>())) {}

void TPlotRun::Adopt(const std::shared_ptr<TDataReading>& reading) {
    reading_ = reading;
    dataPoints_ = std::move(reading->Rows);
    dataCount_ = reading->Count;
}

void TPlotRun::ReadDataFile() {
    // The rows go to the reading and come back when it ends; a reading given up on keeps
    // its copy.
    auto reading = std::make_shared<TDataReading>(dataPoints_);
    const auto cancel = [reading] { reading->Cancel = true; };
    bool ended = false;
    try {
        // The path field is read for each pass, as the user left it then.
        ended = window_.RunReading(
                    [reading, path = window_.PathText()] { reading->FirstPass(path); }, cancel) &&
                window_.RunReading(
                    [reading, path = window_.PathText()] { reading->SecondPass(path); }, cancel);
    } catch (...) {
        // The partial count and rows stay, as a failed run leaves them.
        Adopt(reading);
        throw;
    }
    if (!ended) {
        throw EAbort();
    }
    Adopt(reading);
}

void TPlotRun::Button1Click(void* /*sender*/) {
    ReadDataFile();
    PlotRows(dataPoints_, dataCount_);
}

void TPlotRun::PlotRows(const std::vector<TDataRow>& rows, int32_t count) {
    dataCount_ = count;
    window_.SetProgressMax(dataCount_);
    window_.PlotStarting();
    series_.ClearPoints();
    series_.ReservePoints(dataCount_);
    for (int32_t i = 0; i < dataCount_; ++i) {
        const TDataRow& row = rows[static_cast<size_t>(i)];
        series_.AddPoint(row[0], row[1], "", clDefault);
        window_.SetProgressPosition(i);
        window_.ShowProgress();
        if (window_.StopRequested())
            break;
    }
}

void TPlotRun::Series1AfterAdd(TChartSeries* /*sender*/, int32_t /*valueIndex*/) {
    if (!paced_)
        return;
    window_.UpdateChart();
    window_.Sleep(PausePerPoint(dataCount_, speed_));
}

void TPlotRun::ScrollBar1Change(int32_t position) {
    speed_ = position;
}

} // namespace vemora
