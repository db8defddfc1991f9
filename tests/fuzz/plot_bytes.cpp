#include "plot_bytes.h"

#include "platform/numeric/exceptions.h"
#include "plot_scene.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace vemora::fuzz {

namespace {

// One scratch file per process, rewritten for every input and removed at exit.
class ScratchFile {
public:
    ScratchFile() {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/vemora-fuzz-XXXXXX";
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) {
            throw std::runtime_error("cannot make a scratch file in " + path_);
        }
        ::close(fd);
    }
    ~ScratchFile() { ::unlink(path_.c_str()); }

    const std::string& Write(std::string_view bytes) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC);
        bool written = fd >= 0;
        for (size_t done = 0; written && done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            written = n > 0;
            done += written ? static_cast<size_t>(n) : 0;
        }
        if (fd >= 0 && ::close(fd) != 0) {
            written = false;
        }
        if (!written) {
            throw std::runtime_error("cannot write the scratch file " + path_);
        }
        return path_;
    }

private:
    std::string path_;
};

// Frames for the first points each: the axes meet one point, two equal ones, and so on.
constexpr int32_t kFramedPoints = 6;
constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;

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
    static ScratchFile scratch;
    plot::PlotScene scene(scratch.Write(bytes), kWidth, kHeight);
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

    host.SendWheel(ui::kWheelDelta, {}, kWidth / 2, kHeight / 2);
    host.Update();
    Drag(host, ui::TMouseButton::mbLeft, 20, 15, kWidth - 30, kHeight - 25);
    Drag(host, ui::TMouseButton::mbRight, kWidth / 2, kHeight / 2, kWidth / 2 + 37,
         kHeight / 2 - 23);
    Drag(host, ui::TMouseButton::mbLeft, kWidth - 30, kHeight - 25, 20, 15);
}

} // namespace vemora::fuzz
