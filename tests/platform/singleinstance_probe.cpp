// Claims the instance in the given runtime folder, prints its role, and (as the primary) keeps
// running for the given number of milliseconds, printing "notice" for every notice received.
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int holdMs = QString::fromLatin1(argv[2]).toInt();
    SingleInstance instance(QStringLiteral("Kestrova1024K715"), dir);
    const SingleInstance::Role role = instance.claim();
    if (role == SingleInstance::Role::Secondary) {
        std::puts("secondary");
        return 0;
    }
    if (role == SingleInstance::Role::Failed) {
        std::puts("failed");
        return 1;
    }
    std::puts("primary");
    std::fflush(stdout);
    QObject::connect(&instance, &SingleInstance::noticeReceived, [] {
        std::puts("notice");
        std::fflush(stdout);
    });
    QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
    return app.exec();
}
