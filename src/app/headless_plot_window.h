// The plot run's window without a window: for the headless tool and the benchmarks. It
// shows no progress and hands chart updates and pauses to whoever drives it.
#pragma once

#include "app/plotrun.h"

#include <functional>
#include <string>

namespace vemora {

class THeadlessPlotWindow final : public TPlotWindow {
public:
    explicit THeadlessPlotWindow(std::string path) : path_(std::move(path)) {}

    std::string PathText() const override { return path_; }
    void SetProgressMax(int32_t) override {}
    void SetProgressPosition(int32_t) override {}
    void ShowProgress() override {}
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

    // Unassigned: updates paint nothing and pauses do not wait.
    std::function<void()> OnUpdateChart;
    std::function<void(int32_t milliseconds)> OnSleep;

private:
    std::string path_;
};

} // namespace vemora
