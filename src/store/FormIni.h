#pragma once

#include <QSize>
#include <QString>

// The main window's size and place between runs.
struct WindowSettings {
    int width = 1024;       // configured width (window size dialog), not the current one
    int height = 738;       // configured height
    int left = 0;           // last left of the window on the screen
    int top = 0;            // last top
    bool fullWidth = false; // the window opens screen-wide
};

// DB3/form.ini: five integer lines, width, height, left, top, full-width flag, written with CR LF.
// Readers trim spaces and control characters around each line; lines after the fifth are ignored.
// Never throws.
class FormIni {
public:
    static constexpr int DefaultWidth = 1024;
    static constexpr int DefaultHeight = 738;
    // The configured sizes the window size dialog offers lie between these; a stored size
    // outside them (0, negative, 1 x 1, 99999) was not written by this program and counts as
    // an unreadable value.
    static constexpr QSize MinSize{1024, 738};
    static constexpr QSize MaxSize{1400, 870};

    explicit FormIni(const QString &filePath);

    QString filePath() const { return m_path; }

    // 1024 x 738, centred: left (screen width - 1024) / 2, top (screen height - 738 - 30) / 2,
    // not full-width (integer division truncating toward zero).
    static WindowSettings defaults(const QSize &screenSize);

    // Reads the five values. A missing file, an unreadable one, fewer than five lines, a line
    // that is not a decimal integer or a size outside MinSize .. MaxSize gives
    // defaults(screenSize), and the file is (re)written with
    // the five default lines; a failure of that write is ignored.
    WindowSettings read(const QSize &screenSize) const;

    // Replaces the file with: settings.width, settings.height, settings.left, settings.top and
    // "1" when currentWidth == screenWidth, else "0". Atomic: the old file stays intact when the
    // write fails. On failure returns false and sets settings.width/height to 1024 x 738 (the
    // caller goes on without a message).
    bool write(WindowSettings &settings, int currentWidth, int screenWidth) const;

    // The file content for the given values (five lines, CR LF each).
    static QByteArray format(const WindowSettings &settings);

    // Parses file content; false when fewer than five lines, a line is not an integer or the
    // size lies outside MinSize .. MaxSize.
    static bool parse(const QByteArray &content, WindowSettings &out);

private:
    QString m_path;
};
