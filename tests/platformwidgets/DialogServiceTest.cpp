#include "platform/DialogService.h"
#include "WhenOpen.h"
#include "platform/qtwidgets/QtDialogService.h"
#include "support/RecordingDialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

TEST(DialogService, RecordingServiceStandsInWhileItLives) {
    DialogService* before = &dialogs();
    {
        RecordingDialogs recorder;
        EXPECT_EQ(&dialogs(), &recorder);
        recorder.pushAnswer(true);
        recorder.pushAnswer(false);
        dialogs().message("Fehler", "Datei fehlt", MessageIcon::Stop);
        dialogs().plainMessage("not connected to server");
        EXPECT_TRUE(dialogs().question("Quarn", "Speichern?"));
        EXPECT_FALSE(dialogs().okCancel("Info", "The selected option is not active!", MessageIcon::Stop));
        const std::vector<RecordingDialogs::Call> expected = {
            {RecordingDialogs::Kind::Message, "Fehler", "Datei fehlt", MessageIcon::Stop},
            {RecordingDialogs::Kind::Plain, "", "not connected to server", MessageIcon::None},
            {RecordingDialogs::Kind::Question, "Quarn", "Speichern?", MessageIcon::None},
            {RecordingDialogs::Kind::OkCancel, "Info", "The selected option is not active!",
             MessageIcon::Stop},
        };
        EXPECT_EQ(recorder.calls(), expected);
        EXPECT_EQ(recorder.unusedAnswers(), 0u);
    }
    EXPECT_EQ(&dialogs(), before);
}

TEST(DialogService, DefaultServiceAnswersNoWithoutWaiting) {
    setDialogService(nullptr);
    EXPECT_FALSE(dialogs().question("t", "q"));
    EXPECT_FALSE(dialogs().okCancel("t", "q", MessageIcon::Information));
}

// What a message box showed.
struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

TEST(QtDialogService, ShowsQtBoxesAndReturnsTheButton) {
    QtDialogService service;
    struct Case {
        const char* name;
        std::function<bool()> show;
        QMessageBox::StandardButton press;
        BoxSeen expected;
        bool result;
    } cases[] = {
        {"stop box",
         [&] {
             service.message("Fehler",
                             "Gr\xC3\xBC\xC3\x9F"
                             "e",
                             MessageIcon::Stop);
             return true;
         },
         QMessageBox::Ok,
         {"Fehler", QString::fromUtf8("Grüße"), QMessageBox::Critical, QMessageBox::Ok},
         true},
        {"plain box",
         [&] {
             service.plainMessage("not connected to server");
             return true;
         },
         QMessageBox::Ok,
         {"", "not connected to server", QMessageBox::NoIcon, QMessageBox::Ok},
         true},
        {"question no",
         [&] { return service.question("Q", "Sure?"); },
         QMessageBox::No,
         {"Q", "Sure?", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No},
         false},
        {"ok/cancel cancelled",
         [&] { return service.okCancel("Info", "x", MessageIcon::Stop); },
         QMessageBox::Cancel,
         {"Info", "x", QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel},
         false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxSeen seen;
        whenOpen<QMessageBox>([&seen, press = c.press](QMessageBox* box) {
            seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            box->button(press)->click();
        });
        EXPECT_EQ(c.show(), c.result);
        EXPECT_EQ(seen.title, c.expected.title);
        EXPECT_EQ(seen.text, c.expected.text);
        EXPECT_EQ(seen.icon, c.expected.icon);
        EXPECT_EQ(seen.buttons, c.expected.buttons);
    }
}

} // namespace
