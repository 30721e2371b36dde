#pragma once

#include <QDialog>
#include <QSize>
#include <array>
#include <functional>

class PictureLabel;
class QPushButton;
class QRadioButton;

// The window size dialog: four fixed sizes for the main window. Shown without being modal;
// "确  定" applies the chosen size at once and the dialog stays open.
class WindowSizeDialog : public QDialog {
    Q_OBJECT
public:
    using WidthSource = std::function<int()>;
    using SizeSink = std::function<bool(const QSize &)>;

    // `configuredWidth` reads the main window's configured width; `applySize` is its Apply size.
    WindowSizeDialog(WidthSource configuredWidth, SizeSink applySize, const QString &resourceDir,
                     QWidget *parent = nullptr);

    static constexpr int ChoiceCount = 4;
    // Captions "1024*768(默认)", "1280*800", "1366*768", "1400*900".
    static QString caption(int choice);
    // The applied size: the caption's width and its height less 30.
    static QSize sizeFor(int choice);
    // The choice shown for a configured width; any width not in the list is the default.
    static int choiceFor(int width);

    QRadioButton *radioButton(int choice) const { return m_radio.at(choice); }
    int selectedChoice() const;
    QPushButton *applyButton() const { return m_applyButton; }

    void applyChoice();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCurrentSize();

    WidthSource m_configuredWidth;
    SizeSink m_applySize;
    PictureLabel *m_title = nullptr;
    PictureLabel *m_background = nullptr;
    PictureLabel *m_banner = nullptr;
    std::array<QRadioButton *, ChoiceCount> m_radio{}; // JvRadioButton1 .. JvRadioButton4
    QPushButton *m_applyButton = nullptr;
};
