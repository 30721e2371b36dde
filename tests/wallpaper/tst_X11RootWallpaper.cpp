#include "wallpaper/install/X11RootWallpaper.h"

#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};

// Reads the root window back through a connection of the test's own, as any other client sees it.
struct RootReader {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    ~RootReader() { xcb_disconnect(c); }

    QRgb pixel(int x, int y) const {
        std::unique_ptr<xcb_get_image_reply_t, FreeDeleter> r(
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root,
                                              int16_t(x), int16_t(y), 1, 1, ~0u),
                                nullptr));
        if (!r) return 0;
        uint32_t v = 0;
        std::memcpy(&v, xcb_get_image_data(r.get()), 4);
        return v & 0xffffff;
    }
    xcb_pixmap_t property(const char *name) const {
        std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr));
        if (!atom || atom->atom == XCB_ATOM_NONE) return XCB_NONE;
        std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> r(xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (!r || xcb_get_property_value_length(r.get()) != 4) return XCB_NONE;
        return *static_cast<xcb_pixmap_t *>(xcb_get_property_value(r.get()));
    }
    bool pixmapExists(xcb_pixmap_t p) const {
        xcb_generic_error_t *error = nullptr;
        std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter> r(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, p), &error));
        std::free(error);
        return r != nullptr;
    }
};

// Four quadrants of distinct colours at the root's size, so scaling or placement errors show.
QImage quadrants(QSize size, QRgb a, QRgb b) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(QColor(a));
    for (int y = 0; y < size.height() / 2; ++y)
        for (int x = size.width() / 2; x < size.width(); ++x) image.setPixelColor(x, y, QColor(b));
    return image;
}

} // namespace

class TestX11RootWallpaper : public QObject {
    Q_OBJECT
private slots:
    void rootShowsThePictureAfterItsConnectionIsGone() {
        RootReader reader;
        QVERIFY(!xcb_connection_has_error(reader.c));
        const QSize root(reader.screen->width_in_pixels, reader.screen->height_in_pixels);

        QString error;
        QVERIFY2(X11RootWallpaper::set(quadrants(root, 0x204060, 0xf0e0d0), QString(), &error),
                 qPrintable(error));
        QCOMPARE(reader.pixel(10, root.height() - 10), QRgb(0x204060));
        QCOMPARE(reader.pixel(root.width() - 10, 10), QRgb(0xf0e0d0));
        const xcb_pixmap_t first = reader.property("_XROOTPMAP_ID");
        QVERIFY(first != XCB_NONE);
        QCOMPARE(reader.property("ESETROOT_PMAP_ID"), first);
        QVERIFY(reader.pixmapExists(first));

        // A picture of another size is scaled to cover the root; the previous pixmap is freed.
        QVERIFY2(X11RootWallpaper::set(quadrants(root / 2, 0x112233, 0x445566), QString(), &error),
                 qPrintable(error));
        QCOMPARE(reader.pixel(10, root.height() - 10), QRgb(0x112233));
        QCOMPARE(reader.pixel(root.width() - 10, 10), QRgb(0x445566));
        const xcb_pixmap_t second = reader.property("_XROOTPMAP_ID");
        QVERIFY(second != first);
        QCOMPARE(reader.property("ESETROOT_PMAP_ID"), second);
        QVERIFY(reader.pixmapExists(second));
        QVERIFY(!reader.pixmapExists(first));
    }

    void noDisplay() {
        QString error;
        QVERIFY(!X11RootWallpaper::set(QImage(10, 10, QImage::Format_RGB888), ":97", &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestX11RootWallpaper)
#include "tst_X11RootWallpaper.moc"
