#include "platform/ui/x11_presenter.h"

#include "platform/gfx/stamps.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <immintrin.h>
#include <limits>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace vemora::ui {

namespace {

// Rows are mostly a marker's width or less: sixteen pixels at a time with the last ones
// masked, where the processor can.
[[gnu::target("avx512f")]] void CopyOpaqueWide(uint32_t* to, ptrdiff_t toStride,
                                               const uint32_t* from, ptrdiff_t fromStride,
                                               int width, int height) {
    const __m512i opaque = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    const int whole = width & ~15;
    const auto lanes = static_cast<__mmask16>((1u << (width - whole)) - 1);
    for (int y = 0; y < height; ++y, to += toStride, from += fromStride) {
        for (int x = 0; x < whole; x += 16)
            _mm512_storeu_si512(to + x, _mm512_or_si512(_mm512_loadu_si512(from + x), opaque));
        if (lanes != 0)
            _mm512_mask_storeu_epi32(
                to + whole, lanes,
                _mm512_or_si512(_mm512_maskz_loadu_epi32(lanes, from + whole), opaque));
    }
}

void CopyOpaquePlain(uint32_t* to, ptrdiff_t toStride, const uint32_t* from, ptrdiff_t fromStride,
                     int width, int height) {
    for (int y = 0; y < height; ++y, to += toStride, from += fromStride)
        for (int x = 0; x < width; ++x)
            to[x] = from[x] | 0xFF000000u;
}

// Whether the server takes pixels of this depth as ours: 32 bits each, rows unpadded.
bool TakesOurPixels(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
        if (f.data->depth == depth)
            return f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    }
    return false;
}

constexpr bool FitsRequest(int64_t v) {
    return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
}

} // namespace

void CopyOpaqueRect(uint32_t* to, ptrdiff_t toStride, const uint32_t* from, ptrdiff_t fromStride,
                    int width, int height) {
    static const bool wide = gfx::StampPainter::WideStoresSupported();
    if (width > 0 && height > 0)
        (wide ? CopyOpaqueWide : CopyOpaquePlain)(to, toStride, from, fromStride, width, height);
}

struct X11Presenter::Connection {
    xcb_connection_t* C = nullptr;
    // The shared memory: its segment, pixels and size.
    xcb_shm_seg_t Segment = 0;
    uint32_t* Pixels = nullptr;
    int32_t Width = 0, Height = 0;
    // Whether the memory holds the bitmap's pixels as the window shows them.
    bool Current = false;
    // The request after the last put, answered once the server is past it.
    bool Pending = false;
    xcb_get_input_focus_cookie_t After{};
    // The window last put into, its depth and whether it takes our pixels.
    xcb_window_t Window = 0;
    uint8_t Depth = 0;
    bool Takes = false;
    xcb_gcontext_t Gc = 0;
    uint8_t GcDepth = 0;
    // Memory the system or the server would not share: no more tries.
    bool Refused = false;
};

std::unique_ptr<X11Presenter> X11Presenter::Open() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || xcb_connection_has_error(c))
        return nullptr;
    xcb_shm_query_version_reply_t* version =
        xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr);
    if (!version)
        return nullptr;
    std::free(version);
    auto connection = std::make_unique<Connection>();
    connection->C = c;
    return std::unique_ptr<X11Presenter>(new X11Presenter(std::move(connection)));
}

X11Presenter::X11Presenter(std::unique_ptr<Connection> connection) : c_(std::move(connection)) {}

X11Presenter::~X11Presenter() {
    ReleaseMemory();
    if (c_->Gc != 0 && !xcb_connection_has_error(c_->C)) {
        xcb_free_gc(c_->C, c_->Gc);
        xcb_flush(c_->C);
    }
}

void X11Presenter::Settle() {
    if (!c_->Pending)
        return;
    c_->Pending = false;
    std::free(xcb_get_input_focus_reply(c_->C, c_->After, nullptr));
}

void X11Presenter::ReleaseMemory() {
    if (!c_->Pixels)
        return;
    if (!xcb_connection_has_error(c_->C)) {
        Settle();
        xcb_shm_detach(c_->C, c_->Segment);
        xcb_flush(c_->C);
    }
    shmdt(c_->Pixels);
    c_->Pixels = nullptr;
    c_->Width = c_->Height = 0;
    c_->Current = false;
}

bool X11Presenter::FitMemory(int32_t width, int32_t height) {
    if (c_->Pixels && c_->Width == width && c_->Height == height)
        return true;
    ReleaseMemory();
    if (c_->Refused || width <= 0 || height <= 0)
        return false;
    const size_t bytes = size_t(width) * size_t(height) * sizeof(uint32_t);
    // Memory the system will not give (beyond its limit for shared memory, say) is not
    // asked for again at every frame.
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        c_->Refused = true;
        return false;
    }
    void* at = shmat(id, nullptr, 0);
    if (at == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        c_->Refused = true;
        return false;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c_->C);
    // The server only reads it. Asked once per size: a server elsewhere refuses.
    xcb_generic_error_t* error = xcb_request_check(
        c_->C, xcb_shm_attach_checked(c_->C, segment, static_cast<uint32_t>(id), 1));
    // Gone with the last of us to detach it, however the program ends.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        shmdt(at);
        c_->Refused = true;
        return false;
    }
    c_->Segment = segment;
    c_->Pixels = static_cast<uint32_t*>(at);
    c_->Width = width;
    c_->Height = height;
    c_->Current = false;
    return true;
}

bool X11Presenter::Present(const QWidget& widget, const gfx::Bitmap& bitmap,
                           std::span<const gfx::Rect> changed, std::span<const gfx::Rect> put,
                           QPoint origin) {
    xcb_connection_t* c = c_->C;
    const QWidget* top = widget.window();
    const QWindow* handle = top ? top->windowHandle() : nullptr;
    if (!handle || !handle->isExposed() || xcb_connection_has_error(c))
        return false;
    const gfx::Rect all{0, 0, bitmap.Width(), bitmap.Height()};
    for (const gfx::Rect& r : put) {
        const gfx::Rect cut = r.Normalized().Intersect(all);
        if (!FitsRequest(origin.x() + cut.Left) || !FitsRequest(origin.y() + cut.Top) ||
            !FitsRequest(origin.x() + cut.Right) || !FitsRequest(origin.y() + cut.Bottom))
            return false;
    }
    if (all.Right > std::numeric_limits<uint16_t>::max() ||
        all.Bottom > std::numeric_limits<uint16_t>::max())
        return false;
    const auto window = static_cast<xcb_window_t>(top->effectiveWinId());
    if (window != c_->Window) {
        c_->Window = window;
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        c_->Takes = geometry && TakesOurPixels(c, geometry->depth);
        c_->Depth = geometry ? geometry->depth : 0;
        std::free(geometry);
    }
    if (!c_->Takes || !FitMemory(bitmap.Width(), bitmap.Height()))
        return false;
    if (c_->Gc == 0 || c_->GcDepth != c_->Depth) {
        if (c_->Gc != 0)
            xcb_free_gc(c, c_->Gc);
        c_->Gc = xcb_generate_id(c);
        c_->GcDepth = c_->Depth;
        const uint32_t noExposures = 0;
        xcb_create_gc(c, c_->Gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    // The server may still be reading the memory for the last put.
    Settle();
    const auto copy = [&](const gfx::Rect& r) {
        if (!r.IsEmpty())
            CopyOpaqueRect(c_->Pixels + ptrdiff_t{r.Top} * c_->Width + r.Left, c_->Width,
                           bitmap.Row(r.Top) + r.Left, bitmap.Width(), r.Right - r.Left,
                           r.Bottom - r.Top);
    };
    if (!c_->Current) {
        copy(all);
        c_->Current = true;
    } else {
        for (const gfx::Rect& r : changed)
            copy(r.Normalized().Intersect(all));
    }
    for (const gfx::Rect& r : put) {
        const gfx::Rect cut = r.Normalized().Intersect(all);
        if (cut.IsEmpty())
            continue;
        xcb_shm_put_image(
            c, window, c_->Gc, static_cast<uint16_t>(c_->Width), static_cast<uint16_t>(c_->Height),
            static_cast<uint16_t>(cut.Left), static_cast<uint16_t>(cut.Top),
            static_cast<uint16_t>(cut.Width()), static_cast<uint16_t>(cut.Height()),
            static_cast<int16_t>(origin.x() + cut.Left), static_cast<int16_t>(origin.y() + cut.Top),
            c_->Depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, c_->Segment, 0);
    }
    c_->After = xcb_get_input_focus(c);
    c_->Pending = true;
    xcb_flush(c);
    return true;
}

void X11Presenter::Forget() {
    c_->Current = false;
}

} // namespace vemora::ui
