#pragma once

// The main function of a document test: documents need fonts but no widgets, so the test runs
// under a QGuiApplication, where creating a widget would abort it.
#include <QGuiApplication>
#include <QTest>

#define KESTROVA_DOCUMENT_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char *argv[]) {                                                             \
        QGuiApplication app(argc, argv);                                                           \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
