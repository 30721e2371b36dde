#pragma once

#include <QColor>
#include <QWidget>

class FontFaceBox;
class FramePictures;
class PageHost;
class PictureLabel;
class QComboBox;
class QPushButton;
struct PageContext;

// The editing commands of the top bar, acting on the active page: the tick "√" and cross "X"
// marks, the colour picture and the font face and size lists. The mark buttons and the colour
// picture take no focus, so the caret stays in the cell they write into.
class FormatBar : public QWidget {
    Q_OBJECT
public:
    FormatBar(PageHost &pages, PageContext &context, const FramePictures &pictures,
              QWidget *parent = nullptr);

    // The font lists show only on pages whose boxes take fonts.
    void setFontListsVisible(bool visible);
    // Listing every installed face takes a while: done after the first paint, unless the user
    // reached the list before.
    void listFontFaces();

    // The colour chosen last (black at first); the dialog starts on it.
    QColor lastColour() const { return m_lastColour; }
    FontFaceBox *faceBox() const { return m_face; }
    QComboBox *sizeBox() const { return m_size; }

    void insertTick();
    void insertCross();
    // The colour dialog for the active page's focused cell; on an empty line or with no focused
    // cell nothing happens and no dialog opens.
    void chooseColour();
    // A choice in the face or the size list, applied to the selection of the last selection
    // record on the annual and month pages.
    void applyFontFace();
    void applyFontSize();

private:
    void insertMark(QChar mark);
    void applyFontChoice(bool faceChosen);

    PageHost &m_pages;
    PageContext &m_context;
    QColor m_lastColour = Qt::black;
    PictureLabel *m_colour = nullptr;
    FontFaceBox *m_face = nullptr;
    QComboBox *m_size = nullptr;
    QPushButton *m_tick = nullptr;
    QPushButton *m_cross = nullptr;
};
