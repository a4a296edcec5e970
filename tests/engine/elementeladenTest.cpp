#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

#include <QImage>

#include "PlanFixture.h"
#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/elementunit.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace {

// Distinct colours on the diagonal of every icon: its corner, the pixel next to it and its last pixel.
QImage makeIcon(QRgb body, QRgb corner, QRgb first, QRgb last) {
    QImage icon(27, 27, QImage::Format_RGB32);
    icon.fill(body);
    icon.setPixel(0, 0, corner);
    icon.setPixel(1, 1, first);
    icon.setPixel(26, 26, last);
    return icon;
}

int paletteX(int index) {
    return (index % 22) * 28 + 1;
}
int paletteY(int index) {
    return (index / 22) * 28 + 1;
}

class Catalogue : public EngineFolder {
protected:
    void SetUp() override {
        EngineFolder::SetUp();
        if (HasFatalFailure())
            return;
        *form.Design_Panel_bitmap = QImage(617, 113, QImage::Format_RGB32);
        form.Design_Panel_bitmap->fill(Qt::white);
        *form.Cache = QImage(27, 27, QImage::Format_RGB32);
        ASSERT_TRUE(iconA.save(QString::fromStdString(dir.path() + "Data/IconA.bmp"), "BMP"));
        ASSERT_TRUE(iconB.save(QString::fromStdString(dir.path() + "Data/IconB.bmp"), "BMP"));
    }
    // 88 records; odd indexes name icon B in another case.
    std::string catalogueText() const {
        std::string text;
        for (int i = 0; i < NROFELEMENTS; ++i) {
            const std::string n = std::to_string(i);
            for (const std::string& line :
                 {std::to_string(i + 1), "Element " + n, std::to_string(paletteX(i)),
                  std::to_string(paletteY(i)), std::to_string(i % 3 + 1), std::to_string(i * 2),
                  std::string(i % 2 ? "iconb.BMP" : "IconA.bmp"), "s2_" + n, "s3_" + n, "r1_" + n, "r2_" + n,
                  "r3_" + n})
                text += line + "\r\n";
        }
        return text;
    }

    const QImage iconA = makeIcon(qRgb(0, 200, 0), qRgb(255, 0, 0), qRgb(1, 2, 3), qRgb(4, 5, 6));
    const QImage iconB = makeIcon(qRgb(0, 0, 200), qRgb(255, 0, 255), qRgb(7, 8, 9), qRgb(10, 11, 12));
};

TEST_F(Catalogue, ReadsTheRecordsAndDrawsThePalette) {
    // Folder and file name in other cases than the program asks for.
    writeFileBytes(dir.path() + "Data/ELEMENTE1.dat", catalogueText());
    Bahn->elementeladen();

    EXPECT_TRUE(form.El_geladen);
    EXPECT_EQ(form.cursorChanges, (std::vector<bool>{true, false}));
    for (int i : {0, 1, 2, 43, 87}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Element->get_nummer(i), i + 1);
        EXPECT_EQ(Element->get_posx(i), paletteX(i));
        EXPECT_EQ(Element->get_posy(i), paletteY(i));
        EXPECT_EQ(Element->get_art(i), i % 3 + 1);
        EXPECT_EQ(Element->get_i01(i), i % 2 ? "iconb.BMP" : "IconA.bmp");
        EXPECT_EQ(Element->get_i02(i), "s2_" + std::to_string(i));
        EXPECT_EQ(Element->get_i03(i), "s3_" + std::to_string(i));
        const TElementEntry* e = Element->entry(i);
        EXPECT_EQ(e->E_Name, "Element " + std::to_string(i));
        EXPECT_EQ(e->E_Vektor, i * 2);
        EXPECT_EQ(e->E_Icon11, "r1_" + std::to_string(i));
        EXPECT_EQ(e->E_Icon13, "r3_" + std::to_string(i));
    }

    const QImage& palette = *form.Design_Panel_bitmap;
    struct Probe {
        int x, y;
        QRgb expected;
    };
    const QRgb darkRed = qRgb(0x80, 0, 0);
    const Probe probes[] = {
        {0, 0, darkRed},            // background between the slots
        {616, 112, darkRed},        // last pixel of the palette
        {28, 5, darkRed},           // the gap column between two slots
        {1, 1, qRgb(255, 0, 0)},    // index 0: the icon as it is, its (0,0) on the slot origin,
        {2, 2, qRgb(1, 2, 3)},      // its (1,1) next to it
        {27, 27, qRgb(4, 5, 6)},    // and its (26,26) on the slot's last pixel
        {14, 14, qRgb(0, 200, 0)},  // body
        {29, 1, qRgb(255, 0, 255)}, // index 1: icon B
        {30, 2, qRgb(7, 8, 9)},
        {29 + 26, 27, qRgb(10, 11, 12)},
        {paletteX(87), paletteY(87), qRgb(255, 0, 255)},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(palette.pixel(p.x, p.y), p.expected);
    }

    // The preview ends on the last icon, as it is.
    const QImage& preview = form.hilfsbild.image();
    EXPECT_EQ(preview.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(preview.pixel(1, 1), qRgb(7, 8, 9));
    EXPECT_EQ(preview.pixel(26, 26), qRgb(10, 11, 12));
    EXPECT_EQ(form.Source_rect, (TRect{0, 0, 27, 27}));
    EXPECT_EQ(form.Dest_rect, (TRect{0, 0, 27, 27}));
    EXPECT_EQ(form.Cache->pixel(0, 0), qRgb(255, 0, 255)) << "Cache holds the last icon loaded";
    ASSERT_FALSE(form.changes.empty());
    EXPECT_EQ(form.changes.back().first, PaintBox::Hilfsbild1);
}

TEST_F(Catalogue, AMissingCatalogueIsAnErrorBeforeAnythingIsRead) {
    EXPECT_THROW(Bahn->elementeladen(), TextFileError);
    EXPECT_FALSE(form.El_geladen);
    EXPECT_EQ(form.cursorChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(Element->get_nummer(0), 0);
    EXPECT_EQ(form.Design_Panel_bitmap->pixel(0, 0), qRgb(0x80, 0, 0));
}

TEST_F(Catalogue, ADamagedCatalogueIsAnErrorNamingTheRecordAndChangesNothing) {
    const std::string full = catalogueText();
    // The offset of line n (from 1) of the catalogue.
    const auto upToLine = [&](int n) {
        std::size_t at = 0;
        for (int i = 1; i < n; ++i)
            at = full.find('\n', at) + 1;
        return full.substr(0, at);
    };
    const struct {
        const char* what;
        std::string bytes;
        const char* names;
    } cases[] = {
        {"empty", "", "element 1"},
        {"only line ends", "\r\n\r\n\r\n", "element 1"},
        {"cut inside record 12", upToLine(11 * 12 + 6), "element 12"},
        {"cut before the last line", upToLine(88 * 12), "element 88"},
        {"a number that is none", upToLine(5 * 12 + 3) + "x\r\n", "element 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFileBytes(dir.path() + "Data/Elemente1.dat", c.bytes);
        try {
            Bahn->elementeladen();
            ADD_FAILURE() << "no error";
        } catch (const TextFileError& e) {
            EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos) << e.what();
        }
        EXPECT_FALSE(form.El_geladen);
        EXPECT_EQ(Element->get_nummer(0), 0);
        EXPECT_EQ(Element->get_i01(0), "");
    }
}

TEST_F(Catalogue, AnIconNameThatIsNoSmallRegularFileIsABitmapErrorNamingIt) {
    const std::string data = dir.path() + "Data/";
    std::filesystem::create_symlink("/dev/zero", data + "zero.bmp");
    ASSERT_EQ(::mkfifo((data + "pipe.bmp").c_str(), 0600), 0);
    std::filesystem::resize_file(data + "IconA.bmp", 0);
    writeFileBytes(data + "huge.bmp", "BM");
    std::filesystem::resize_file(data + "huge.bmp", MaxBitmapFileBytes + 1);
    writeFileBytes(data + "junk.bmp", "no picture at all");
    const struct {
        const char* name;
        const char* why;
    } cases[] = {
        {"", "not a regular file"},                                             // the data folder itself
        {"zero.bmp", "not a regular file"}, {"pipe.bmp", "not a regular file"}, // must not wait for a writer
        {"huge.bmp", "larger than"},        {"junk.bmp", "Cannot open file"},
        {"IconA.bmp", "Cannot open file"}, // empty
        {"none.bmp", "No such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = catalogueText();
        text.replace(text.find("IconA.bmp"), 9, c.name);
        writeFileBytes(data + "Elemente1.dat", text);
        try {
            Bahn->elementeladen();
            ADD_FAILURE() << "no error";
        } catch (const BitmapFileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(data + c.name), std::string::npos) << what;
            EXPECT_NE(what.find(c.why), std::string::npos) << what;
        }
    }
}

TEST_F(Catalogue, AMissingIconIsAnErrorAfterTheRecordsAreIn) {
    writeFileBytes(dir.path() + "Data/Elemente1.dat", catalogueText());
    std::filesystem::remove(dir.path() + "Data/IconB.bmp");
    EXPECT_THROW(Bahn->elementeladen(), BitmapFileError);
    EXPECT_TRUE(form.El_geladen);
    EXPECT_EQ(Element->get_nummer(87), 88);
    EXPECT_EQ(form.cursorChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(form.Design_Panel_bitmap->pixel(2, 2), qRgb(1, 2, 3)) << "index 0 was drawn";
    EXPECT_EQ(form.Design_Panel_bitmap->pixel(29, 1), qRgb(0x80, 0, 0)) << "index 1 was not";
}

TEST_F(Catalogue, StartUpPaintsThePlanSilver) {
    *form.Quarn_bitmap = QImage(980, 680, QImage::Format_RGB32);
    form.Quarn_bitmap->fill(Qt::black);
    form.Grau = clRed; // the plan is silver whatever the field says
    Bahn->quarngraufaerben();
    const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
    for (auto [x, y] : {std::pair{0, 0}, {979, 0}, {0, 679}, {979, 679}, {490, 340}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(form.Quarn_bitmap->pixel(x, y), silver);
    }
    EXPECT_EQ(form.Quarn_bitmap->size(), QSize(980, 680));
}

} // namespace
