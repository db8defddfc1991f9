// Sends a window the close request a window manager sends when its close button is
// pressed (WM_DELETE_WINDOW). Usage: x_close_request WINDOW_ID
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

static xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x_close_request WINDOW_ID\n");
        return 2;
    }
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "x_close_request: no X display\n");
        return 1;
    }
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = Atom(c, "WM_PROTOCOLS");
    e.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    xcb_flush(c);
    // A round trip: the message has reached the server when the reply comes.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const bool ok = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return ok ? 0 : 1;
}
