// The yardsticks of the start-up measurement, built with the same flags as kestrova:
//   minimal_widgets                     Qt's "hello world", the least a Widgets program shows;
//   minimal_widgets --like-main-window  the same label at the main window's opening size with
//                                       a line of Chinese text, so the window's backing store
//                                       and the CJK font are paid for on both sides.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const bool likeMainWindow = QApplication::arguments().contains("--like-main-window");
    QLabel hello(likeMainWindow ? QStringLiteral("你好，世界！Hello world!")
                                : QStringLiteral("Hello world!"));
    if (likeMainWindow) hello.resize(1024, 738);
    hello.show();
    return app.exec();
}
