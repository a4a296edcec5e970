#include "WhenOpen.h"
#include "platform/DialogService.h"
#include "platform/qtwidgets/QtDialogService.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

struct InputSeen {
    QString title, label, startText;
};

TEST(QtDialogService, InputBoxGivesTheTypedTextOnOkOnly) {
    QtDialogService service;
    struct Case {
        const char* name;
        const char* start;
        const char* type;
        bool ok;
        DialogService::Input expected;
    } cases[] = {
        {"typed and OK", "", "SET GA M 16 1 1 500", true, {true, "SET GA M 16 1 1 500"}},
        {"start text kept", "SET POWER ON", nullptr, true, {true, "SET POWER ON"}},
        {"umlaut as UTF-8",
         "",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         true,
         {true, "Gr\xC3\xBC\xC3\x9F"
                "e"}},
        {"cancelled", "x", "RESET", false, {false, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Records the box, types (unless null) and presses OK or Cancel.
        InputSeen seen;
        whenOpen<QInputDialog>([&seen, &c](QInputDialog* box) {
            seen = {box->windowTitle(), box->labelText(), box->textValue()};
            if (c.type)
                box->setTextValue(QString::fromUtf8(c.type));
            if (c.ok)
                box->accept();
            else
                box->reject();
        });
        const DialogService::Input got =
            service.inputBox("Befehlseingabe", "e.g.: SET GA M 16 1 1 500", c.start);
        EXPECT_EQ(got.ok, c.expected.ok);
        EXPECT_EQ(got.text, c.expected.text);
        EXPECT_EQ(seen.title, "Befehlseingabe");
        EXPECT_EQ(seen.label, "e.g.: SET GA M 16 1 1 500");
        EXPECT_EQ(seen.startText, QString::fromUtf8(c.start));
    }
}

} // namespace
