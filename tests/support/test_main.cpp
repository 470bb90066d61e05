#include <gtest/gtest.h>
#include <QCoreApplication>

// Every test executable runs inside a Qt application so that sockets, timers and queued calls
// behave as they do in the server.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
