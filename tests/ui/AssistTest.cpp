// The assistant: its list in the window's language, the explanation of the task chosen, and Select,
// which runs the task's menu item as a click on it would, or refuses when the item is off.

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "platform/LineConnection.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"
#include "texts/langunit.h"
#include "ui/Assistunit.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Boxes = std::vector<std::string>;

// A box as the table writes it.
std::string box(const Call& call) {
    const char* icon = call.icon == MessageIcon::Stop          ? " (stop)"
                       : call.icon == MessageIcon::Information ? " (information)"
                                                               : "";
    switch (call.kind) {
    case Kind::Message:
        return "message [" + call.title + "] " + call.text + icon;
    case Kind::OkCancel:
        return "ok/cancel [" + call.title + "] " + call.text + icon;
    case Kind::Window:
        return "window " + call.title;
    case Kind::OpenFile:
        return "open file";
    case Kind::SaveFile:
        return "save file";
    default:
        return "other box: " + call.text;
    }
}

const std::string NotActive = "ok/cancel [Info] The selected option is not active! (stop)";

class AssistTest : public QuarnDispatchingTestFolder {
protected:
    // The main window shown in language lang, pointed at the fake server, and the assistant open in
    // front of it; no box recorded yet. Null when either is missing.
    TMainForm* shownWindow(int lang) {
        TMainForm* window = startWindows();
        if (!window)
            return nullptr;
        window->Lang_id = lang;
        pointAt(window, m_server.port());
        window->show();
        if (!QTest::qWaitFor([] { return AssistForm && AssistForm->isVisible(); }, PatienceMs))
            return nullptr;
        m_dialogs.clear();
        return window;
    }

    // Presses Select; returns the menu items that fired and checks the boxes that came.
    std::vector<std::string> select(TMainForm* window, const Boxes& boxes) {
        std::vector<std::pair<std::string, std::unique_ptr<QSignalSpy>>> spies;
        for (QAction* action : window->findChildren<QAction*>()) {
            if (!action->objectName().isEmpty())
                spies.emplace_back(action->objectName().toStdString(),
                                   std::make_unique<QSignalSpy>(action, &QAction::triggered));
        }
        const std::size_t before = m_dialogs.calls().size();
        AssistForm->Select_button->click();
        Boxes shown;
        for (std::size_t i = before; i < m_dialogs.calls().size(); ++i)
            shown.push_back(box(m_dialogs.calls()[i]));
        EXPECT_EQ(shown, boxes);
        EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
        // A choice never closes the assistant.
        EXPECT_TRUE(AssistForm->isVisible());
        std::vector<std::string> fired;
        for (const auto& [name, spy] : spies) {
            if (!spy->isEmpty())
                fired.push_back(name);
        }
        return fired;
    }

    FakeSrcp073Server m_server;
    RecordingClock m_clock;
};

TEST_F(AssistTest, SelectRunsTheChosenTaskOnlyWhileItsMenuItemIsEnabled) {
    enum class Answer { None, FileCancelled, WindowRejected };
    enum class Refusal { None, Box, Silent };
    struct Row {
        int index;
        const char* item; // the menu item that runs; null: none
        Refusal whenOff;  // None: the task needs no enabled item (or has none)
        Answer answer;    // what the item's own dialog is answered
        Boxes boxes;      // the boxes of the item's own handler
    };
    const std::string notConnected = "message [Error] Not connected to server (stop)";
    const std::string noCommandChannel =
        "message [Error] Connection to server (command chanel) could not be established (stop)";
    const std::string noFeedbackChannel = "message [Error] The feedback chanel could not be opened (stop)";
    const std::string notAvailable = "message [Error] This function is not available (stop)";
    const Row rows[] = {
        {0, "Neu1", Refusal::None, Answer::FileCancelled, {"save file"}},
        {1, "Oeffnen1", Refusal::None, Answer::FileCancelled, {"open file"}},
        {2, "Speichern1", Refusal::Box, Answer::None, {}},
        // The server refuses: the connect reports it.
        {3, "Hostverbinden1", Refusal::Box, Answer::None, {noCommandChannel}},
        {4, "Hosttrennen1", Refusal::None, Answer::None, {}},
        {5, "Gleisbildentwerfen1", Refusal::Box, Answer::None, {}},
        {6, "DecoderAdressen1", Refusal::Box, Answer::None, {}},
        {7, "S88modules1", Refusal::Box, Answer::None, {}},
        {8, "Text1", Refusal::Silent, Answer::None, {}},
        {9, "Betrieb1", Refusal::Box, Answer::None, {}},
        {10, "Fahrstrassen1", Refusal::Box, Answer::None, {}},
        {11, "Softregler1", Refusal::Box, Answer::None, {}},
        {12, "IPAddrHost1", Refusal::None, Answer::WindowRejected, {"window SetupForm"}},
        {13, "Abfragestarten1", Refusal::Box, Answer::None, {noFeedbackChannel}},
        {14, "Abfragebeenden1", Refusal::Box, Answer::None, {}},
        {15, "Synchronize2", Refusal::Box, Answer::None, {}},
        {16, "Reset1", Refusal::Box, Answer::None, {}},
        {17, "Synchronize1", Refusal::Box, Answer::None, {}},
        {18, "Spannungan1", Refusal::Box, Answer::None, {notConnected}},
        {19, "Spannungaus1", Refusal::Box, Answer::None, {notConnected}},
        {20, "Initialisierung1", Refusal::Box, Answer::None, {notConnected}},
        // The clock is on, so the command switches it off, which asks nothing.
        {21, "Zeit1", Refusal::Box, Answer::None, {}},
        {22, "Decoderprogrammieren1", Refusal::Box, Answer::None, {notAvailable}},
        {23, "FreieBefehle1", Refusal::Box, Answer::None, {notConnected}},
        {24, nullptr, Refusal::None, Answer::None, {}},
        {25, "DirectX1", Refusal::Box, Answer::None, {"message [Info] DirectX not installed (information)"}},
        {26, nullptr, Refusal::None, Answer::None, {}},
        {-1, nullptr, Refusal::None, Answer::None, {}},
    };
    TMainForm* window = shownWindow(LANGENGLISH);
    ASSERT_NE(window, nullptr);
    // Nothing to connect to.
    for (const auto channel : {FakeSrcp073Server::Command, FakeSrcp073Server::Poll, FakeSrcp073Server::Info})
        m_server.refuse(channel);
    // Save writes here.
    window->Gleisbildpfad = m_dir.path();
    window->Gleisbildname = "assist.pln";

    for (const Row& row : rows) {
        for (const bool enabled : {true, false}) {
            if (!enabled && row.whenOff == Refusal::None)
                continue;
            SCOPED_TRACE(testing::Message()
                         << "index " << row.index << (enabled ? ", enabled" : ", disabled"));
            QAction* item = row.item ? window->menuAction(row.item) : nullptr;
            if (row.item) {
                ASSERT_NE(item, nullptr);
            }
            if (row.whenOff != Refusal::None)
                item->setEnabled(enabled);
            if (item == window->Zeit1)
                item->setChecked(true);
            AssistForm->Auswahl = row.index;

            if (!enabled) {
                if (row.whenOff == Refusal::Box) {
                    // Either answer: the box only informs.
                    m_dialogs.pushAnswer(row.index % 2 == 0);
                    EXPECT_TRUE(select(window, {NotActive}).empty());
                } else {
                    EXPECT_TRUE(select(window, {}).empty());
                }
                continue;
            }
            if (row.answer == Answer::FileCancelled)
                m_dialogs.pushFile(std::nullopt);
            else if (row.answer == Answer::WindowRejected)
                m_dialogs.pushWindowResult(0);
            const std::vector<std::string> fired = select(window, row.boxes);
            EXPECT_EQ(fired, row.item ? std::vector<std::string>{row.item} : std::vector<std::string>{});
            // As a click on the item: Qt takes its check mark away before the handler runs.
            if (item == window->Zeit1) {
                EXPECT_FALSE(item->isChecked());
            }
        }
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(m_dir.path() + "assist.pln"));
}

TEST_F(AssistTest, ConnectWhileConnectedIsRefusedAndKeepsTheConnection) {
    TMainForm* window = shownWindow(LANGENGLISH);
    ASSERT_NE(window, nullptr);
    window->Hostverbinden1->trigger();
    ASSERT_TRUE(m_server.waitConnected(FakeSrcp073Server::Command));
    ASSERT_FALSE(window->Hostverbinden1->isEnabled());

    AssistForm->Auswahl = 3;
    m_dialogs.pushAnswer(true);
    EXPECT_TRUE(select(window, {NotActive}).empty());
    EXPECT_TRUE(window->Command_Socket->isConnected());
    EXPECT_EQ(m_server.connections(FakeSrcp073Server::Command), 1);
    window->Hosttrennen1->trigger();
}

TEST_F(AssistTest, ShowListsTheTasksInTheWindowsLanguageWithNoneChosen) {
    struct Row {
        int lang;
        std::string first, screen, last;
    };
    const Row rows[] = {
        {LANGDEUTSCH, "Neuen Gleisplan erstellen", "Monitorausl\xC3\xB6sung \xC3\xA4ndern",
         "\xC3\x9C"
         "berpr\xC3\xBC"
         "fen, welche DirectX Version installiert ist"},
        {LANGENGLISH, "Create a new track layout", "Change screen resolution",
         "Display the installed DirectX version"},
    };
    TMainForm* window = shownWindow(LANGDEUTSCH);
    ASSERT_NE(window, nullptr);
    QComboBox* list = AssistForm->ComboBoxAssist;
    EXPECT_FALSE(list->isEditable());
    EXPECT_TRUE(AssistForm->MemoA->isReadOnly());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lang);
        // A task chosen before the window was closed is forgotten when it opens again.
        list->setCurrentIndex(4);
        AssistForm->Auswahl = 4;
        AssistForm->Close_button->click();
        EXPECT_FALSE(AssistForm->isVisible());
        window->Lang_id = row.lang;
        window->Assistent1->trigger();
        ASSERT_TRUE(AssistForm->isVisible());

        ASSERT_EQ(list->count(), 26);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->itemText(i).toStdString(), Lang->getmessage(200 + i, row.lang)) << i;
        EXPECT_EQ(list->itemText(0).toStdString(), row.first);
        EXPECT_EQ(list->itemText(24).toStdString(), row.screen);
        EXPECT_EQ(list->itemText(25).toStdString(), row.last);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(AssistForm->Auswahl, 0);
    }
}

TEST_F(AssistTest, ChoosingATaskExplainsItAndSelectWithoutChoiceRunsNew) {
    TMainForm* window = shownWindow(LANGENGLISH);
    ASSERT_NE(window, nullptr);
    // Nothing chosen yet: Select runs the first task.
    m_dialogs.pushFile(std::nullopt);
    EXPECT_EQ(select(window, {"save file"}), std::vector<std::string>{"Neu1"});
    EXPECT_TRUE(AssistForm->MemoA->toPlainText().isEmpty());

    // The user steps down the list to "Create and edit routes".
    QComboBox* list = AssistForm->ComboBoxAssist;
    list->setFocus();
    for (int i = 0; i <= 10; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex(), 10);
    EXPECT_EQ(AssistForm->Auswahl, 10);
    EXPECT_EQ(
        AssistForm->MemoA->toPlainText().toStdString(),
        "Select menu Option->Routes. Then, click on elements to add to a route. Finally, assign a route "
        "to a Route-element by clicking the Connect Button and then the route element.");
    // A choice made by code is not the user's.
    list->setCurrentIndex(3);
    EXPECT_EQ(AssistForm->Auswahl, 10);
}

TEST_F(AssistTest, OpensInFrontOfTheMainWindowAndBelongsToIt) {
    TMainForm* window = shownWindow(LANGDEUTSCH);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AssistForm->isVisible());
    EXPECT_TRUE(AssistForm->isWindow());
    EXPECT_FALSE(AssistForm->isModal());
    EXPECT_EQ(AssistForm->parentWidget(), window);
    ASSERT_NE(AssistForm->windowHandle(), nullptr);
    EXPECT_EQ(AssistForm->windowHandle()->transientParent(), window->windowHandle());
    EXPECT_TRUE(QTest::qWaitFor([] { return QGuiApplication::focusWindow() == AssistForm->windowHandle(); },
                                PatienceMs));

    // Help > Assistent brings an open assistant to the front without starting it over.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == window->windowHandle(); },
                                PatienceMs));
    AssistForm->Auswahl = 7;
    window->Assistent1->trigger();
    EXPECT_EQ(AssistForm->Auswahl, 7);
    EXPECT_TRUE(QTest::qWaitFor([] { return QGuiApplication::focusWindow() == AssistForm->windowHandle(); },
                                PatienceMs));
}

TEST_F(AssistTest, NotShownAtStartWhenTheSettingSaysSo) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->Showassist = 0;
    window->show();
    // The assistant would open through the event loop, after the window is shown.
    deliverPosted();
    EXPECT_FALSE(AssistForm->isVisible());
}

} // namespace
