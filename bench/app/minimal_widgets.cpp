// The yardsticks of the start-up measurement, built with the same flags as kestrova:
//   minimal_widgets                     Qt's "hello world", the least a Widgets program shows;
//   minimal_widgets --like-main-window  the same label at the main window's opening size with
//                                       a line of Chinese text, so the window's backing store
//                                       and the CJK font are paid for on both sides;
//   minimal_widgets --month-text        a label of that size showing the characters of a full
//                                       month of the start-up benchmark's notes (the same
//                                       common characters), so the font file's pages that
//                                       showing them maps are paid for too.
#include "CommonCharacters.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const bool monthText = arguments.contains("--month-text");
    const bool likeMainWindow = monthText || arguments.contains("--like-main-window");
    QLabel hello(likeMainWindow ? QStringLiteral("你好，世界！Hello world!")
                                : QStringLiteral("Hello world!"));
    if (monthText) {
        hello.setText(benchdata::commonCharacters());
        hello.setWordWrap(true);
    }
    if (likeMainWindow) hello.resize(1024, 738);
    hello.show();
    return app.exec();
}
