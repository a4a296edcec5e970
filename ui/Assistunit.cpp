#include "ui/Assistunit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <array>

#include "platform/DialogService.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "texts/langunit.h"
#include "ui/Quarnunit.h"

TAssistForm* AssistForm = nullptr;

namespace {

// The list's texts and their explanations are numbered alike from here.
constexpr int kFirstTaskText = 200;
constexpr int kFirstExplanation = 250;

enum class Requirement {
    None,
    // The item must be enabled, else the user is told that the task is not active.
    Enabled,
    // The item must be enabled, else nothing happens.
    EnabledSilently,
};

struct Task {
    const char* item; // the menu item that runs the task; null: the task runs nothing
    Requirement requirement;
};

// In the order of the list. Connect needs its item like the others: while a connection is open it
// is off and a connect must not be started.
constexpr std::array<Task, 26> kTasks{{
    {"Neu1", Requirement::None},
    {"Oeffnen1", Requirement::None},
    {"Speichern1", Requirement::Enabled},
    {"Hostverbinden1", Requirement::Enabled},
    {"Hosttrennen1", Requirement::None},
    {"Gleisbildentwerfen1", Requirement::Enabled},
    {"DecoderAdressen1", Requirement::Enabled},
    {"S88modules1", Requirement::Enabled},
    {"Text1", Requirement::EnabledSilently},
    {"Betrieb1", Requirement::Enabled},
    {"Fahrstrassen1", Requirement::Enabled},
    {"Softregler1", Requirement::Enabled},
    {"IPAddrHost1", Requirement::None},
    {"Abfragestarten1", Requirement::Enabled},
    {"Abfragebeenden1", Requirement::Enabled},
    {"Synchronize2", Requirement::Enabled},
    {"Reset1", Requirement::Enabled},
    {"Synchronize1", Requirement::Enabled},
    {"Spannungan1", Requirement::Enabled},
    {"Spannungaus1", Requirement::Enabled},
    {"Initialisierung1", Requirement::Enabled},
    {"Zeit1", Requirement::Enabled},
    {"Decoderprogrammieren1", Requirement::Enabled},
    {"FreieBefehle1", Requirement::Enabled},
    {nullptr, Requirement::None},
    {"DirectX1", Requirement::Enabled},
}};

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string message(int number) {
    return Lang ? Lang->getmessage(number, MainForm ? MainForm->Lang_id : LANGDEUTSCH) : std::string();
}

} // namespace

TAssistForm::TAssistForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AssistForm");
    setWindowTitle("Quarn Assistent");
    resize(420, 320);

    Assist_label1 = new QLabel("What would you like to do next? Please choose from list:", this);
    Assist_label1->setObjectName("Assist_label1");
    Assist_label1->move(8, 8);
    Assist_label1->adjustSize();
    ComboBoxAssist = new QComboBox(this);
    ComboBoxAssist->setObjectName("ComboBoxAssist");
    ComboBoxAssist->setEditable(false);
    ComboBoxAssist->setGeometry(8, 36, 404, 24);
    MemoA = new QPlainTextEdit(this);
    MemoA->setObjectName("MemoA");
    MemoA->setReadOnly(true);
    MemoA->setGeometry(8, 70, 404, 200);
    Select_button = new QPushButton("Select this option", this);
    Select_button->setObjectName("Select_button");
    Select_button->setGeometry(8, 280, 160, 25);
    Close_button = new QPushButton("Close", this);
    Close_button->setObjectName("Close_button");
    Close_button->setGeometry(312, 280, 100, 25);

    // The list is refilled by code on every show; only the user's own choice explains a task.
    connect(ComboBoxAssist, &QComboBox::activated, this, [this] { ComboBoxAssistChange(); });
    connect(Select_button, &QPushButton::clicked, this, [this] { Select_buttonClick(); });
    connect(Close_button, &QPushButton::clicked, this, [this] { Close_buttonClick(); });
    // Enter in the list must not run a task or close the assistant.
    keepEnterForTheDefaultButton(*this);

    if (Lang)
        Lang->setCaptionSink("AssistForm", this);
}

TAssistForm::~TAssistForm() {
    if (Lang)
        Lang->setCaptionSink("AssistForm", nullptr);
    // The main window frees its windows with it.
    if (AssistForm == this)
        AssistForm = nullptr;
}

void TAssistForm::setCaption(const std::string& objectName, const std::string& text) {
    setChildCaption(*this, objectName, text);
}

void TAssistForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAssistForm::showInFront() {
    // A window opens on top of the others; one already open may lie under them.
    if (isVisible())
        raise();
    else
        show();
    activateWindow();
}

void TAssistForm::FormShow() {
    Auswahl = 0;
    ComboBoxAssist->clear();
    for (int i = 0; i < static_cast<int>(kTasks.size()); ++i)
        ComboBoxAssist->addItem(qs(message(kFirstTaskText + i)));
    // A refilled box would show its first task as chosen, while none is.
    ComboBoxAssist->setCurrentIndex(-1);
}

void TAssistForm::ComboBoxAssistChange() {
    MemoA->clear();
    Auswahl = ComboBoxAssist->currentIndex();
    if (Auswahl >= 0 && Auswahl < static_cast<int>(kTasks.size()))
        MemoA->setPlainText(qs(message(kFirstExplanation + Auswahl)));
}

void TAssistForm::Select_buttonClick() {
    if (Auswahl < 0 || Auswahl >= static_cast<int>(kTasks.size()))
        return;
    const Task& task = kTasks[static_cast<std::size_t>(Auswahl)];
    TMainForm* window = mainWindow();
    if (!task.item || !window)
        return;
    QAction* item = window->menuAction(task.item);
    if (!item)
        return;
    // A disabled item would ignore the trigger anyway; the user must learn why.
    if (task.requirement != Requirement::None && !item->isEnabled()) {
        if (task.requirement == Requirement::Enabled)
            showmessage1(message(137));
        return;
    }
    item->trigger();
}

void TAssistForm::Close_buttonClick() {
    close();
}

void TAssistForm::showmessage1(const std::string& text) {
    dialogs().okCancel("Info", text, MessageIcon::Stop);
}
