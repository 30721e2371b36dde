#pragma once

#include <QComboBox>

// The font face list: the families installed on the system. Listing them all takes
// time that start-up should not wait for, so the list is filled by ensureFilled() (the main
// window calls it after the first paint) or the first time the user reaches it (opens it, gives
// it the focus, turns the wheel over it); until then it holds only the face selected at start.
//
// The notes are written in "宋体", which is no installed family here: when the program draws
// it in an installed face (FontSubstitutes::installedFace), "宋体" is listed first and selected
// at start, so the list shows the face the notes use; otherwise nothing is selected.
class FontFaceBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr const char *NoteFace = "宋体";

    explicit FontFaceBox(QWidget *parent = nullptr);

    void ensureFilled();
    bool isFilled() const { return m_filled; }
    void showPopup() override;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool m_filled = false;
};
