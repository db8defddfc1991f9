// The plot run's window without a window: for the headless tool and the benchmarks. It
// keeps what the run sets and hands chart updates and pauses to whoever drives it.
#pragma once

#include <functional>
#include <string>

#include "app/plotrun.h"

namespace vemora {

class THeadlessPlotWindow final : public TPlotWindow {
public:
    explicit THeadlessPlotWindow(std::string path) : path_(std::move(path)) {}

    std::string PathText() const override { return path_; }
    void SetProgressMax(int32_t value) override { progressMax_ = value; }
    void SetProgressPosition(int32_t value) override { progressPosition_ = value; }
    void ShowProgress() override { progressShown_ = true; }
    void UpdateChart() override {
        if (OnUpdateChart) {
            OnUpdateChart();
        }
    }
    void Sleep(int32_t milliseconds) override {
        if (OnSleep) {
            OnSleep(milliseconds);
        }
    }

    void SetPathText(std::string path) { path_ = std::move(path); }
    int32_t ProgressMax() const { return progressMax_; }
    int32_t ProgressPosition() const { return progressPosition_; }
    bool ProgressShown() const { return progressShown_; }

    // Unassigned: updates paint nothing and pauses do not wait.
    std::function<void()> OnUpdateChart;
    std::function<void(int32_t milliseconds)> OnSleep;

private:
    std::string path_;
    int32_t progressMax_ = 100;
    int32_t progressPosition_ = 0;
    bool progressShown_ = false;
};

} // namespace vemora
