#include <gtest/gtest.h>

#ifdef QEL_WIDGET_TESTS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

// Every test executable runs inside a Qt application so that sockets, timers and queued calls
// behave as they do in the server; the widget test folders get a QApplication (offscreen).
int main(int argc, char** argv) {
#ifdef QEL_WIDGET_TESTS
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
