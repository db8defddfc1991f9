#include "plot_bytes.h"

#include "platform/numeric/exceptions.h"
#include "plot_scene.h"
#include "support/temp_files.h"

#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>

namespace vemora::fuzz {

namespace {

// Frames for the first points each: the axes meet one point, two equal ones, and so on.
constexpr int32_t kFramedPoints = 6;

// The input's own choice of window size and mouse gestures, so that the fuzzer reaches
// the zoom and pan arithmetic on its extreme data too, without bytes of the file being
// spent on them.
class Gestures {
public:
    explicit Gestures(std::string_view bytes) {
        for (const char c : bytes) {
            state_ = (state_ ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
        }
    }
    uint32_t Next(uint32_t bound) {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state_ >> 33) % bound;
    }

private:
    uint64_t state_ = 0xCBF29CE484222325u;
};

struct Size {
    int32_t Width, Height;
};
// Mostly small, now and then too small for a plot at all.
constexpr Size kSizes[] = {{160, 120}, {160, 120}, {160, 120}, {97, 61}, {1, 1}, {12, 300}};

void Drag(ui::HeadlessWindowHost& host, ui::TMouseButton button, int32_t x0, int32_t y0, int32_t x1,
          int32_t y1) {
    host.SendMouseDown(button, {}, x0, y0);
    host.SendMouseMove({}, (x0 + x1) / 2, (y0 + y1) / 2);
    host.SendMouseMove({}, x1, y1);
    host.SendMouseUp(button, {}, x1, y1);
    host.Update();
}

} // namespace

void PlotBytes(std::string_view bytes) {
    // One folder for the process, its file rewritten for every input.
    static const testing::TempDir scratch;
    Gestures gestures(bytes);
    const Size size = kSizes[gestures.Next(std::size(kSizes))];
    plot::PlotScene scene(scratch.Write("data.txt", bytes), size.Width, size.Height);
    ui::HeadlessWindowHost& host = scene.Host();
    host.Update();
    int32_t added = 0;
    scene.Window().OnUpdateChart = [&] {
        if (++added <= kFramedPoints) {
            scene.Chart().Update();
        }
    };
    try {
        scene.Run().Button1Click(nullptr);
    } catch (const EInOutError&) {
        return;
    } catch (const EOverflow&) {
        return;
    }
    scene.Chart().Invalidate();
    host.Update();
    const std::string layout = plot::FrameJson(scene.Chart(), scene.Series());
    if (layout.empty()) {
        throw std::logic_error("no layout for the frame");
    }

    // Anywhere in the window and a little beyond it.
    const auto x = [&] { return static_cast<int32_t>(gestures.Next(size.Width + 20)) - 10; };
    const auto y = [&] { return static_cast<int32_t>(gestures.Next(size.Height + 20)) - 10; };
    const int32_t wheelNotches = static_cast<int32_t>(gestures.Next(7)) - 3;
    host.SendWheel(wheelNotches * ui::kWheelDelta, {}, x(), y());
    host.Update();
    // Zooms, some of them deep into the data, and pans, then the undo.
    const uint32_t zooms = gestures.Next(12);
    for (uint32_t i = 0; i < zooms; ++i) {
        const int32_t x0 = x(), y0 = y();
        const int32_t reach = 17 + static_cast<int32_t>(gestures.Next(60));
        Drag(host, ui::TMouseButton::mbLeft, x0, y0, x0 + reach, y0 + reach);
    }
    Drag(host, ui::TMouseButton::mbRight, x(), y(), x(), y());
    Drag(host, ui::TMouseButton::mbLeft, size.Width - 1, size.Height - 1, 0, 0);
}

} // namespace vemora::fuzz
