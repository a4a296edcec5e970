#include <gtest/gtest.h>

// Tests that need no QApplication link this main.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
