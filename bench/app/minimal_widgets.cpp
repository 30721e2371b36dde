// The yardstick of the start-up measurement: the least a Qt Widgets program does to show a
// window with a line of text, built with the same flags as kestrova.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Kestrova 桌面月历"));
    window.resize(1024, 738);
    window.show();
    return app.exec();
}
