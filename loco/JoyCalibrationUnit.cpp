#include "loco/JoyCalibrationUnit.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "loco/GuardedHandler.h"

namespace {

constexpr int kRefreshMs = 50;

QString axisText(const CalibrationSession::AxisReading& reading) {
    if (!reading.present)
        return "-";
    return QString("%1  (%2 .. %3)").arg(reading.value).arg(reading.seenMinimum).arg(reading.seenMaximum);
}

} // namespace

TJoyCalibrationForm::TJoyCalibrationForm(QWidget* parent) : QDialog(parent) {
    setObjectName(CalibrationView::kWindowName);
    setWindowTitle("Game controllers: calibration");
    resize(520, 260);

    Hint_label =
        new QLabel("Move every axis to both ends, let the stick return to its centre, then press OK.", this);
    Hint_label->setObjectName("Hint_label");
    Hint_label->setGeometry(10, 8, 500, 20);

    Readings = new QTableWidget(0, 4, this);
    Readings->setObjectName("Readings");
    Readings->setHorizontalHeaderLabels({"Controller", "X", "Y", "Z"});
    Readings->verticalHeader()->hide();
    Readings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Readings->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Readings->setGeometry(10, 34, 500, 180);

    OK_button = new QPushButton("OK", this);
    OK_button->setObjectName("OK_button");
    OK_button->setGeometry(300, 225, 100, 25);
    Cancel_button = new QPushButton("Cancel", this);
    Cancel_button->setObjectName("Cancel_button");
    Cancel_button->setGeometry(410, 225, 100, 25);
    connect(OK_button, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel_button, &QPushButton::clicked, this, &QDialog::reject);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setObjectName("RefreshTimer");
    RefreshTimer->setInterval(kRefreshMs);
    connect(RefreshTimer, &QTimer::timeout, this, [this] { runGuarded([this] { refreshReadings(); }); });
}

void TJoyCalibrationForm::attach(CalibrationSession* session) {
    m_session = session;
    if (session == nullptr) {
        RefreshTimer->stop();
        Readings->setRowCount(0);
        return;
    }
    showRows();
    RefreshTimer->start();
}

int TJoyCalibrationForm::exec() {
    return QDialog::exec();
}

void TJoyCalibrationForm::refreshReadings() {
    if (m_session == nullptr)
        return;
    m_session->refresh();
    showRows();
}

void TJoyCalibrationForm::showRows() {
    const auto& rows = m_session->rows();
    Readings->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const CalibrationSession::Row& r = rows[static_cast<std::size_t>(row)];
        QString name = QString::fromStdString(r.name);
        if (r.lost)
            name += " (lost)";
        auto set = [this, row](int column, const QString& text) {
            QTableWidgetItem* item = Readings->item(row, column);
            if (item == nullptr)
                Readings->setItem(row, column, item = new QTableWidgetItem);
            item->setText(text);
        };
        set(0, name);
        for (Axis axis : kAxes)
            set(1 + static_cast<int>(axis), axisText(m_session->reading(row, axis)));
    }
}
