#include "ui/Assistunit.h"

#include <QLabel>
#include <QPushButton>

#include "platform/qtwidgets/ChildCaption.h"
#include "texts/langunit.h"

TAssistForm* AssistForm = nullptr;

TAssistForm::TAssistForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AssistForm");
    setWindowTitle("Quarn Assistent");
    resize(420, 320);

    Assist_label1 = new QLabel("What would you like to do next? Please choose from list:", this);
    Assist_label1->setObjectName("Assist_label1");
    Assist_label1->move(8, 8);
    Assist_label1->adjustSize();
    Select_button = new QPushButton("Select this option", this);
    Select_button->setObjectName("Select_button");
    Select_button->setGeometry(8, 280, 160, 25);
    Close_button = new QPushButton("Close", this);
    Close_button->setObjectName("Close_button");
    Close_button->setGeometry(300, 280, 100, 25);

    if (Lang)
        Lang->setCaptionSink("AssistForm", this);
}

TAssistForm::~TAssistForm() {
    if (Lang)
        Lang->setCaptionSink("AssistForm", nullptr);
}

void TAssistForm::setCaption(const std::string& objectName, const std::string& text) {
    setChildCaption(*this, objectName, text);
}
