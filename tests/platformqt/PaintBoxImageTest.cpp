#include "platform/qt/PaintBoxImage.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A 4 x 4 source whose pixel (x, y) is the letter 'a' + 4y + x; target pixels that no copy touched
// read '.'. Pictures are written row by row, rows separated by '|'.
QImage letterSource(QImage::Format format = QImage::Format_RGB32) {
    QImage image(4, 4, format);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, QColor('a' + 4 * y + x, 0, 0));
    return image;
}

QImage blankTarget(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    image.fill(QColor('.', 0, 0));
    return image;
}

std::string picture(const QImage& image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y) {
        if (y > 0)
            out += '|';
        for (int x = 0; x < image.width(); ++x)
            out += static_cast<char>(image.pixelColor(x, y).red());
    }
    return out;
}

TEST(CopyRect, CopiesStretchesClipsAndConvertsFormats) {
    using F = QImage::Format;
    struct Case {
        const char* name;
        TRect dst, src;
        std::string expected; // 5 x 4 target
        F source = QImage::Format_RGB32, target = QImage::Format_RGB32;
    } cases[] = {
        {"same size", {1, 1, 3, 3}, {1, 1, 3, 3}, ".....|.fg..|.jk..|....."},
        {"whole source", {0, 0, 4, 4}, {0, 0, 4, 4}, "abcd.|efgh.|ijkl.|mnop."},
        {"destination partly left and above", {-1, -1, 1, 1}, {0, 0, 2, 2}, "f....|.....|.....|....."},
        {"destination partly right and below", {3, 2, 6, 5}, {0, 0, 3, 3}, ".....|.....|...ab|...ef"},
        {"source partly outside leaves the rest", {0, 0, 3, 3}, {2, 2, 5, 5}, "kl...|op...|.....|....."},
        {"source left of the image", {0, 0, 2, 1}, {-1, 0, 1, 1}, ".a...|.....|.....|....."},
        {"stretch 2x2 to 4x4", {0, 0, 4, 4}, {1, 1, 3, 3}, "ffgg.|ffgg.|jjkk.|jjkk."},
        {"stretch 3 to 4 columns", {0, 0, 4, 1}, {0, 0, 3, 1}, "abbc.|.....|.....|....."},
        {"shrink 4x4 to 2x2", {0, 0, 2, 2}, {0, 0, 4, 4}, "fh...|np...|.....|....."},
        {"stretch with clipped destination", {-2, 0, 2, 2}, {0, 0, 2, 1}, "bb...|bb...|.....|....."},
        {"empty destination", {2, 2, 2, 4}, {0, 0, 2, 2}, ".....|.....|.....|....."},
        {"inverted source", {0, 0, 2, 2}, {2, 2, 0, 0}, ".....|.....|.....|....."},
        {"entirely outside", {5, 0, 7, 2}, {0, 0, 2, 2}, ".....|.....|.....|....."},
        {"ARGB32 into RGB32", {1, 0, 5, 2}, {0, 2, 2, 4}, ".iijj|.mmnn|.....|.....", F::Format_ARGB32},
        {"RGB888 into RGB32", {1, 0, 5, 2}, {0, 2, 2, 4}, ".iijj|.mmnn|.....|.....", F::Format_RGB888},
        {"RGB32 into RGB888",
         {1, 0, 5, 2},
         {0, 2, 2, 4},
         ".iijj|.mmnn|.....|.....",
         F::Format_RGB32,
         F::Format_RGB888},
        {"RGB32 into premultiplied",
         {1, 0, 5, 2},
         {0, 2, 2, 4},
         ".iijj|.mmnn|.....|.....",
         F::Format_RGB32,
         F::Format_ARGB32_Premultiplied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage target = blankTarget(5, 4, c.target);
        copyRect(target, c.dst, letterSource(c.source), c.src);
        EXPECT_EQ(picture(target), c.expected);
        EXPECT_EQ(target.pixelColor(1, 0).alpha(), 255);
    }
}

TEST(PaintBoxImage, ReportsChangesClippedToTheImageAndResizingKeepsWhatFits) {
    PaintBoxImage box(QSize(5, 4), QColor('.', 0, 0));
    EXPECT_EQ(picture(box.image()), ".....|.....|.....|.....");
    std::vector<TRect> reported;
    box.setChangedCallback([&](const TRect& r) { reported.push_back(r); });

    box.copyFrom(letterSource(), {0, 0, 2, 2}, {4, 3, 6, 5});
    box.changed({-3, -3, 2, 1});
    box.changed({2, 2, 2, 3}); // empty
    box.changed({6, 0, 8, 2}); // outside
    EXPECT_EQ(picture(box.image()), ".....|.....|.....|....a");
    box.copyFrom(letterSource(), {0, 0, 3, 2}, {0, 0, 3, 2});
    box.setBackground(QColor('-', 0, 0));
    box.resize(QSize(6, 5));
    EXPECT_EQ(picture(box.image()), "abc..-|efg..-|.....-|....a-|------");
    box.resize(QSize(2, 1));
    EXPECT_EQ(picture(box.image()), "ab");
    box.resize(QSize(2, 1)); // same size: nothing to report
    box.fill(QColor('x', 0, 0));
    EXPECT_EQ(picture(box.image()), "xx");
    const std::vector<TRect> expected = {{4, 3, 5, 4}, {0, 0, 2, 1}, {0, 0, 3, 2},
                                         {0, 0, 6, 5}, {0, 0, 2, 1}, {0, 0, 2, 1}};
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(box.rect(), (TRect{0, 0, 2, 1}));
    EXPECT_EQ(box.image().format(), QImage::Format_RGB32);
}

} // namespace
