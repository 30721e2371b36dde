#include "wallpaper/install/X11RootWallpaper.h"

#include "wallpaper/WallpaperBlend.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionDeleter {
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};

xcb_atom_t internAtom(xcb_connection_t *c, const char *name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_pixmap_t pixmapProperty(xcb_connection_t *c, xcb_window_t root, xcb_atom_t atom) {
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!r || r->type != XCB_ATOM_PIXMAP || r->format != 32 ||
        xcb_get_property_value_length(r.get()) != 4)
        return XCB_NONE;
    return *static_cast<const xcb_pixmap_t *>(xcb_get_property_value(r.get()));
}

int bitsPerPixel(const xcb_setup_t *setup, uint8_t depth) {
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    return 0;
}

const xcb_visualtype_t *rootVisual(const xcb_screen_t *screen) {
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual) return v.data;
    return nullptr;
}

} // namespace

bool X11RootWallpaper::set(const QImage &picture, const QString &display, QString *error) {
    auto fail = [error](const QString &why) {
        if (error) *error = QStringLiteral("X11: ") + why;
        return false;
    };
    int screenNumber = 0;
    const QByteArray name = display.toLocal8Bit();
    std::unique_ptr<xcb_connection_t, ConnectionDeleter> conn(
        xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber));
    xcb_connection_t *c = conn.get();
    if (xcb_connection_has_error(c)) return fail(QStringLiteral("cannot open the display"));

    const xcb_setup_t *setup = xcb_get_setup(c);
    auto it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    const xcb_screen_t *screen = it.data;
    if (!screen) return fail(QStringLiteral("no screen"));
    const xcb_visualtype_t *visual = rootVisual(screen);
    // Pixels are sent as 32-bit 0x00RRGGBB words, which is what 24- and 32-bit true-colour
    // roots take.
    if (screen->root_depth < 24 || bitsPerPixel(setup, screen->root_depth) != 32 || !visual ||
        visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 || visual->blue_mask != 0xff ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return fail(QStringLiteral("unsupported root visual"));

    const int w = screen->width_in_pixels;
    const int h = screen->height_in_pixels;
    const QImage image =
        WallpaperBlend::coverScreen(picture, QSize(w, h)).convertToFormat(QImage::Format_RGB32);

    const xcb_window_t root = screen->root;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, root, uint16_t(w), uint16_t(h));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerRequest = std::max(1, int(maxBytes / (uint32_t(w) * 4)));
    for (int y = 0; y < h; y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, h - y);
        // RGB32 rows are exactly w words: no padding to strip.
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(w), uint16_t(rows), 0,
                      int16_t(y), 0, screen->root_depth, uint32_t(rows) * uint32_t(w) * 4,
                      image.constScanLine(y));
    }
    xcb_free_gc(c, gc);

    const xcb_atom_t rootAtom = internAtom(c, "_XROOTPMAP_ID");
    const xcb_atom_t esetrootAtom = internAtom(c, "ESETROOT_PMAP_ID");
    if (rootAtom == XCB_ATOM_NONE || esetrootAtom == XCB_ATOM_NONE)
        return fail(QStringLiteral("cannot intern the root pixmap atoms"));

    // A pixmap named by both atoms was left by a setter like this one: free it with its client.
    const xcb_pixmap_t previous = pixmapProperty(c, root, esetrootAtom);
    if (previous != XCB_NONE && previous == pixmapProperty(c, root, rootAtom))
        xcb_kill_client(c, previous);

    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, rootAtom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, esetrootAtom, XCB_ATOM_PIXMAP, 32, 1,
                        &pixmap);
    xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);

    // A round trip makes sure every request was handled; errors so far arrive as events
    // (a stale previous pixmap's client may already be gone: that one is harmless).
    Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!sync || xcb_connection_has_error(c)) return fail(QStringLiteral("the display went away"));
    while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
        const bool isError = event->response_type == 0;
        const auto *e = reinterpret_cast<xcb_generic_error_t *>(event);
        const bool killError = isError && e->major_code == XCB_KILL_CLIENT;
        const uint8_t code = isError ? e->error_code : 0;
        std::free(event);
        if (isError && !killError)
            return fail(QStringLiteral("request failed with error %1").arg(code));
    }
    return true;
}
