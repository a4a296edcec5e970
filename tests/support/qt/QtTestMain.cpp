#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// The platform must be chosen before the QApplication exists, also when a test program is started
// by hand or by test discovery without the environment CTest sets.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
