#include "platform/qtwidgets/ClickableImage.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ClickableImage, ClicksOnALeftPressLetGoInsideIt) {
    struct Case {
        const char* what;
        bool press; // a press inside comes first
        Qt::MouseButton button;
        QPoint releaseAt;
        int clicks;
        int presses;
    };
    const Case cases[] = {
        {"left press and release inside", true, Qt::LeftButton, QPoint(7, 7), 1, 1},
        {"released on the last pixel", true, Qt::LeftButton, QPoint(14, 14), 1, 1},
        {"dragged off before release", true, Qt::LeftButton, QPoint(15, 7), 0, 1},
        {"right button", true, Qt::RightButton, QPoint(7, 7), 0, 1},
        {"release without a press", false, Qt::LeftButton, QPoint(7, 7), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClickableImage image;
        image.resize(15, 15);
        QSignalSpy clicked(&image, &ClickableImage::clicked);
        QSignalSpy pressed(&image, &ClickableImage::pressed);
        if (c.press)
            QTest::mousePress(&image, c.button, Qt::NoModifier, QPoint(7, 7));
        QTest::mouseRelease(&image, c.button, Qt::NoModifier, c.releaseAt);
        EXPECT_EQ(clicked.count(), c.clicks);
        ASSERT_EQ(pressed.count(), c.presses);
        if (c.presses) {
            EXPECT_EQ(pressed.at(0).at(0).value<Qt::MouseButton>(), c.button);
        }
    }
}

} // namespace
