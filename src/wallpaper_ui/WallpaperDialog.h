#pragma once

#include "wallpaper/WallpaperCell.h"

#include <QDialog>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

class CompositeView;
class QPushButton;
class QScrollArea;

// The wallpaper dialog "桌面背景设置": the composite that apply will write (the background,
// scaled to cover the primary screen, with the content block blended in at its top right) in a
// scroll area, "确  定" and "取  消". Successive openings of a run alternate between A1.bmp
// (strength 2) and A2.bmp (strength 4). The object lives for the whole run and holds the
// captured cells.
class WallpaperDialog : public QDialog {
    Q_OBJECT
public:
    using MessageSink = std::function<void(const QString &)>;
    // Installs the picture file (whose pixels are `picture`); false with the reason on failure.
    using Installer =
        std::function<bool(const QString &file, const QImage &picture, QString *error)>;

    // `pictureFolder`: the folder of Content.bmp, Mix.bmp, A1.bmp and A2.bmp. A background it
    // lacks is written there from A1.png or A2.png of `shippedFolder` when first needed.
    explicit WallpaperDialog(const QString &pictureFolder, const QString &shippedFolder = QString(),
                             QWidget *parent = nullptr);

    WallpaperCells &cells() { return m_cells; }
    const WallpaperCells &cells() const { return m_cells; }

    // Draw the captured cells in the month or the two-column layout and write Content.bmp.
    // False, with the message shown, when the file cannot be written.
    bool drawMonthContent();
    bool drawNoteContent();

    // Loads the background of this opening (written from the shipped one first when the picture
    // folder lacks it) and Content.bmp, advances the alternation and builds the composite.
    // "加载失败！" and false when a picture cannot be loaded; a message naming the file and false
    // when the shipped background cannot be written.
    bool prepare();
    // prepare(), then shows the dialog modally when it succeeded; the pictures are let go when
    // it closes.
    void prepareAndExec();
    // Writes Mix.bmp and a fresh copy, installs the copy and closes. A write failure shows a
    // message, installs nothing and keeps the dialog open (false). An installation failure says
    // where the picture is and closes all the same.
    bool apply();

    QString pictureFolder() const { return m_pictureFolder; }
    QString shippedFolder() const { return m_shippedFolder; }
    // The background file of the last opening, in the picture folder.
    QString backgroundFile() const { return m_backgroundFile; }
    // 0 when the next opening takes A1.bmp, 1 when it takes A2.bmp.
    int backgroundToggle() const { return m_backgroundToggle; }
    int strength() const { return m_strength; }
    const QImage &composite() const { return m_composite; }
    QString installedFile() const { return m_installedFile; }

    // Messages; default: an information box captioned with the application title.
    void setMessageSink(MessageSink sink) { m_message = std::move(sink); }
    // Default: the desktop of this session.
    void setInstaller(Installer installer) { m_installer = std::move(installer); }
    // The size the background is scaled to cover; default: the primary screen in pixels. An
    // empty size keeps the background's own size.
    void setScreenSize(const QSize &size) { m_screenSize = size; }

private:
    bool saveContent(const QImage &picture);
    bool writeShippedBackground(const QString &name);
    void showMessage(const QString &text);

    QString m_pictureFolder;
    QString m_shippedFolder;
    QString m_backgroundFile;
    QString m_contentFile;
    int m_backgroundToggle = 0;
    WallpaperCells m_cells;

    int m_strength = 2;
    QImage m_composite;
    QString m_installedFile;
    QSize m_screenSize;
    MessageSink m_message;
    Installer m_installer;

    QScrollArea *m_scrollArea = nullptr;
    CompositeView *m_compositeView = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
