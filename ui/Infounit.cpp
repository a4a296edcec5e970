#include "ui/Infounit.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "engine/MainFormState.h"
#include "platform/qt/QtText.h"
#include "platform/qtwidgets/ChildCaption.h"

TInfoForm* InfoForm = nullptr;

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InfoForm");
    setWindowTitle("Info");
    setFixedSize(300, 200);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setGeometry(8, 8, 284, 142);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setGeometry(12, 12, 72, 72);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(programPicture());

    ProductName = new QLabel("Quarn", Panel1);
    ProductName->setObjectName("ProductName");
    QFont bold = ProductName->font();
    bold.setPixelSize(19);
    bold.setBold(true);
    ProductName->setFont(bold);
    ProductName->setGeometry(104, 20, 160, 28);

    Version = new QLabel(Panel1);
    Version->setObjectName("Version");
    Version->setGeometry(104, 56, 160, 22);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(112, 160, 76, 28);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    keepEnterForTheDefaultButton(*this);
}

QPixmap TInfoForm::programPicture() {
    // Drawn small and shown stretched, so it stays crisp at its 2:1 scale.
    QPixmap picture(36, 36);
    picture.fill(QColor(0xD8, 0xE8, 0xF4));
    QPainter p(&picture);
    // Ballast, sleepers and a rail.
    p.fillRect(0, 28, 36, 8, QColor(0x9A, 0x8C, 0x7A));
    for (int x = 1; x < 36; x += 5)
        p.fillRect(x, 29, 3, 3, QColor(0x6B, 0x4A, 0x2B));
    p.fillRect(0, 27, 36, 2, QColor(0x50, 0x50, 0x58));
    // The locomotive: boiler, cab, roof, chimney, wheels.
    const QColor body(0xB0, 0x20, 0x20);
    p.fillRect(4, 14, 18, 9, body);
    p.fillRect(22, 8, 10, 15, body);
    p.fillRect(21, 6, 12, 2, QColor(0x30, 0x30, 0x30));
    p.fillRect(24, 10, 6, 5, QColor(0xF4, 0xE8, 0x9C));
    p.fillRect(7, 8, 4, 6, QColor(0x30, 0x30, 0x30));
    p.fillRect(2, 22, 32, 2, QColor(0x30, 0x30, 0x30));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    for (int x : {9, 17, 27})
        p.drawEllipse(QPoint(x, 24), 3, 3);
    // Steam.
    p.setBrush(QColor(0xFF, 0xFF, 0xFF, 0xC0));
    p.drawEllipse(QPoint(9, 5), 3, 2);
    p.drawEllipse(QPoint(14, 3), 3, 2);
    return picture;
}

void TInfoForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TInfoForm::FormShow() {
    if (MainForm)
        Version->setText(fromCp1252(MainForm->Version));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QRect frame = frameGeometry();
        move(area.x() + area.width() / 2 - frame.width() / 2,
             area.y() + area.height() / 2 - frame.height() / 2);
    }
}

void TInfoForm::OKButtonClick() {
    accept();
}
