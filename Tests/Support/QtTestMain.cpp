// The main of the test programs that need a Qt application: one QApplication on the offscreen
// platform (unless the environment names another), then every GoogleTest case.
#include <cstdlib>

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
