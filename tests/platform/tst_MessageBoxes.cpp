#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void wideEnoughForTheTitle_data();
    void wideEnoughForTheTitle();
    void onlyACloseBox();
    void staticBoxesArePrepared_data();
    void staticBoxesArePrepared();
};

void TestMessageBoxes::wideEnoughForTheTitle_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("application title, short text") << "Kestrova KESTROVA"
                                                   << "没有找到";
    QTest::newRow("long title") << "Kestrova 桌面月历 - 备份与恢复 - 恢复之前的笔记数据库"
                                << "好";
    QTest::newRow("text wider than the title") << "Kestrova KESTROVA" << QString(60, QChar(0x6587));
}

void TestMessageBoxes::wideEnoughForTheTitle() {
    // The window manager draws the title beside its buttons in a bold font: the box leaves
    // room for both, with the text laid out as before.
    QFETCH(QString, title);
    QFETCH(QString, text);
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
    MessageBoxes::prepare(box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QFont bold = box.font();
    bold.setBold(true);
    const int least =
        QFontMetrics(bold).horizontalAdvance(title) + MessageBoxes::kTitleBarButtonsWidth;
    QVERIFY2(box.width() >= least,
             qPrintable(QStringLiteral("%1 < %2").arg(box.width()).arg(least)));
    QVERIFY(box.width() >= MessageBoxes::titleWidth(title, box.font()));
    QVERIFY(box.width() <= box.screen()->availableGeometry().width());
    box.close();
}

void TestMessageBoxes::onlyACloseBox() {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kestrova KESTROVA"),
                    QStringLiteral("无法打开"), QMessageBox::Ok);
    MessageBoxes::prepare(box);
    const Qt::WindowFlags flags = box.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Preparing keeps what the box was made with.
    QCOMPARE(box.icon(), QMessageBox::Critical);
    QCOMPARE(box.text(), QStringLiteral("无法打开"));
}

void TestMessageBoxes::staticBoxesArePrepared_data() {
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << int(QMessageBox::Information);
    QTest::newRow("warning") << int(QMessageBox::Warning);
    QTest::newRow("critical") << int(QMessageBox::Critical);
}

void TestMessageBoxes::staticBoxesArePrepared() {
    QFETCH(int, icon);
    const QString title = QStringLiteral("Kestrova KESTROVA");
    QMessageBox *seen = nullptr;
    int width = 0;
    int least = 0;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    // The box is modal: read it from the event loop it runs, then close it.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!seen || !seen->isVisible()) return;
        width = seen->width();
        least = MessageBoxes::titleWidth(title, seen->font());
        seenIcon = seen->icon();
        seen->accept();
    });
    poll.start(20);
    const QString text = QStringLiteral("好");
    if (icon == QMessageBox::Information)
        MessageBoxes::information(nullptr, title, text);
    else if (icon == QMessageBox::Warning)
        MessageBoxes::warning(nullptr, title, text);
    else
        MessageBoxes::critical(nullptr, title, text);
    QVERIFY(seen);
    QCOMPARE(int(seenIcon), icon);
    QVERIFY2(width >= least, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(least)));
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_MessageBoxes.moc"
