// The text query built at run time, the font choice of the Qt dialog service, and the up-down
// control tied to a line edit.

#include <QColorDialog>
#include <QDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <climits>
#include <gtest/gtest.h>

#include "WhenOpen.h"
#include "platform/qt/Colors.h"
#include "platform/qtwidgets/QtDialogService.h"
#include "platform/qtwidgets/TextQueryDialog.h"
#include "platform/qtwidgets/UpDown.h"

namespace {

TEST(TextQueryDialog, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int number, numerator, denominator, expected;
    };
    const Case cases[] = {
        {180, 6, 4, 270},
        {63, 13, 8, 102},
        {19, 13, 8, 31},
        {41, 13, 8, 67},
        {14, 13, 8, 23},
        {1, 1, 2, 1},
        {3, 1, 2, 2},
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {-5, -1, 2, 3},
        {5, 1, -2, -3},
        {7, 1, 3, 2},
        {1, 1, 0, -1},
        {INT_MAX, 2, 1, -1},
        {INT_MAX, 2, 2, INT_MAX},
        {INT_MIN, 1, 1, INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(TextQueryDialog, ControlsSitAtTheirDialogUnits) {
    bool fontPressed = false;
    std::unique_ptr<QDialog> dialog = buildTextQueryDialog("Texteingabe", "Bitte Text eingeben!", "Nord", 120,
                                                           80, [&] { fontPressed = true; });
    // The classic dialog font: 6 pixels a letter, 13 a line.
    layoutTextQueryDialog(*dialog, QPoint(6, 13));
    EXPECT_EQ(dialog->size(), QSize(270, 102));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->findChild<QLabel*>("Prompt")->pos(), QPoint(12, 13));
    auto* edit = dialog->findChild<QLineEdit*>("Edit");
    EXPECT_EQ(edit->pos(), QPoint(12, 31));
    EXPECT_EQ(edit->width(), 246);
    struct Button {
        const char* name;
        const char* text;
        int left;
    };
    for (const Button b : {Button{"OkButton", "OK", 15}, Button{"CancelButton", "Cancel", 96},
                           Button{"FontButton", "Font", 177}}) {
        SCOPED_TRACE(b.name);
        auto* button = dialog->findChild<QPushButton*>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), QRect(b.left, 67, 75, 23));
        EXPECT_EQ(button->text(), b.text);
    }

    // As built: the dialog's own font sets the units, the corner is where it was asked for.
    std::unique_ptr<QDialog> built =
        buildTextQueryDialog("Texteingabe", "Bitte Text eingeben!", "Nord", 120, 80, {});
    const QPoint units = GetAveCharSize(built->font());
    ASSERT_GT(units.x(), 0);
    EXPECT_EQ(built->size(), QSize(MulDiv(180, units.x(), 4), MulDiv(63, units.y(), 8)));
    EXPECT_EQ(built->pos(), QPoint(120, 80));
    EXPECT_EQ(built->windowTitle(), "Texteingabe");
    EXPECT_EQ(built->findChild<QLabel*>("Prompt")->text(), "Bitte Text eingeben!");
    auto* builtEdit = built->findChild<QLineEdit*>("Edit");
    EXPECT_EQ(builtEdit->text(), "Nord");
    EXPECT_EQ(builtEdit->selectedText(), "Nord");
    EXPECT_EQ(builtEdit->maxLength(), 255);
    EXPECT_TRUE(built->findChild<QPushButton*>("OkButton")->isDefault());

    // Font runs the callback and closes nothing.
    QTest::mouseClick(dialog->findChild<QPushButton*>("FontButton"), Qt::LeftButton);
    EXPECT_TRUE(fontPressed);
    EXPECT_EQ(dialog->result(), 0);
}

TEST(TextQueryDialog, TheServiceGivesTheTextOnOkOnly) {
    QtDialogService service;
    struct Case {
        const char* button;
        const char* typed;
        bool ok;
        const char* text;
    };
    const Case cases[] = {
        {"OkButton",
         "Bahnhof S\xC3\xBC"
         "d",
         true,
         "Bahnhof S\xC3\xBC"
         "d"},
        {"OkButton", "", true, ""},
        {"CancelButton", "Nord", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        int fontPresses = 0;
        whenOpen<QDialog>([&c](QDialog* dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("FontButton"), Qt::LeftButton);
            dialog->findChild<QLineEdit*>("Edit")->setText(QString::fromUtf8(c.typed));
            QTest::mouseClick(dialog->findChild<QPushButton*>(c.button), Qt::LeftButton);
        });
        const DialogService::Input answer =
            service.textQuery("Texteingabe", "Bitte Text eingeben!", "", 10, 10, [&] { ++fontPresses; });
        EXPECT_EQ(answer.ok, c.ok);
        EXPECT_EQ(answer.text, c.text);
        EXPECT_EQ(fontPresses, 1);
    }
}

TEST(TextQueryDialog, FontChoiceTakesTheFontThenItsColour) {
    QtDialogService service;
    const DialogService::FontChoice start{"Sans Serif", 8, false, false, false, false, clWindowText};
    struct Case {
        const char* name;
        bool acceptFont, acceptColour;
    };
    for (const Case c : {Case{"both", true, true}, Case{"font cancelled", false, true},
                         Case{"colour cancelled", true, false}}) {
        SCOPED_TRACE(c.name);
        whenOpen<QFontDialog>([c](QFontDialog* fonts) {
            QFont chosen = fonts->currentFont();
            // The styles a family offers depend on the machine's fonts; size and effects do not.
            chosen.setPointSize(14);
            chosen.setStrikeOut(true);
            chosen.setUnderline(true);
            fonts->setCurrentFont(chosen);
            if (!c.acceptFont) {
                fonts->reject();
                return;
            }
            whenOpen<QColorDialog>([c](QColorDialog* colours) {
                colours->setCurrentColor(QColor(0x12, 0x34, 0x56));
                if (c.acceptColour)
                    colours->accept();
                else
                    colours->reject();
            });
            fonts->accept();
        });
        const std::optional<DialogService::FontChoice> chosen = service.chooseFont(start);
        ASSERT_EQ(chosen.has_value(), c.acceptFont && c.acceptColour);
        if (chosen) {
            EXPECT_EQ(chosen->size, 14);
            EXPECT_TRUE(chosen->underline);
            EXPECT_TRUE(chosen->strikeout);
            EXPECT_EQ(chosen->color, 0x563412);
            EXPECT_FALSE(chosen->name.empty());
        }
    }
}

TEST(UpDown, PositionIsTheEditsNumberAndTheArrowsStepWithinTheRange) {
    QWidget panel;
    auto* edit = new QLineEdit(&panel);
    edit->setGeometry(250, 27, 90, 21);
    auto* upDown = new UpDown(&panel);
    upDown->setAssociate(edit);
    upDown->setMin(0);
    upDown->setMax(8);
    panel.show();
    EXPECT_EQ(upDown->geometry(), QRect(250 + 90 - UpDown::Width, 27, UpDown::Width, 21));
    // It follows the edit, but keeps its own visibility.
    edit->move(250, 57);
    EXPECT_EQ(upDown->y(), 57);
    edit->hide();
    EXPECT_TRUE(upDown->isVisible());
    edit->show();

    struct Case {
        const char* start;
        int setTo; // INT_MIN: leave the text
        const char* arrow;
        const char* shown;
    };
    const Case cases[] = {
        {"3", INT_MIN, "Up", "4"},   {"8", INT_MIN, "Up", "8"},    {"0", INT_MIN, "Down", "0"},
        {"", 12, nullptr, "12"},     {"", 12, "Up", "8"},          {"", -4, "Up", "0"},
        {"abc", INT_MIN, "Up", "1"}, {" 5", INT_MIN, "Down", "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + (c.arrow ? c.arrow : "-"));
        upDown->setPosition(0);
        edit->setText(c.start);
        if (c.setTo != INT_MIN)
            upDown->setPosition(c.setTo);
        if (c.arrow)
            QTest::mouseClick(upDown->findChild<QToolButton*>(c.arrow), Qt::LeftButton);
        EXPECT_EQ(edit->text().toStdString(), c.shown);
    }
}

} // namespace
