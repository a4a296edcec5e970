#include "platform/qtwidgets/TextQueryDialog.h"

#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <limits>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t absProduct = product < 0 ? -product : product;
    const std::int64_t absDenominator =
        denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    std::int64_t rounded = (2 * absProduct + absDenominator) / (2 * absDenominator);
    if ((product < 0) != (denominator < 0))
        rounded = -rounded;
    if (rounded > std::numeric_limits<int>::max() || rounded < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(rounded);
}

QPoint GetAveCharSize(const QFont& font) {
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    return QPoint(metrics.horizontalAdvance(letters) / 52, metrics.height());
}

std::unique_ptr<QDialog> buildTextQueryDialog(const QString& caption, const QString& prompt,
                                              const QString& value, int x, int y,
                                              const std::function<void()>& onFont, QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName("TextQuery");
    dialog->setWindowTitle(caption);

    auto* label = new QLabel(prompt, dialog.get());
    label->setObjectName("Prompt");
    auto* edit = new QLineEdit(value, dialog.get());
    edit->setObjectName("Edit");
    edit->setMaxLength(255);
    edit->selectAll();

    auto button = [&dialog](const char* name, const QString& text) {
        auto* b = new QPushButton(text, dialog.get());
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* ok = button("OkButton", "OK");
    ok->setDefault(true);
    QDialog* self = dialog.get();
    QObject::connect(ok, &QPushButton::clicked, self, &QDialog::accept);
    // Escape rejects a QDialog by itself, which is the Cancel button's part.
    QObject::connect(button("CancelButton", "Cancel"), &QPushButton::clicked, self, &QDialog::reject);
    QObject::connect(button("FontButton", "Font"), &QPushButton::clicked, self, [onFont] {
        if (onFont)
            onFont();
    });

    layoutTextQueryDialog(*dialog, GetAveCharSize(dialog->font()));
    dialog->move(x, y);
    edit->setFocus();
    return dialog;
}

void layoutTextQueryDialog(QDialog& dialog, QPoint charSize) {
    const int u = charSize.x();
    const int v = charSize.y();
    dialog.setFixedSize(MulDiv(180, u, 4), MulDiv(63, v, 8));
    if (auto* label = dialog.findChild<QLabel*>("Prompt")) {
        label->adjustSize();
        label->move(MulDiv(8, u, 4), MulDiv(8, v, 8));
    }
    if (auto* edit = dialog.findChild<QLineEdit*>("Edit"))
        edit->setGeometry(MulDiv(8, u, 4), MulDiv(19, v, 8), MulDiv(164, u, 4), edit->sizeHint().height());
    const int top = MulDiv(41, v, 8), width = MulDiv(50, u, 4), height = MulDiv(14, v, 8);
    const std::pair<const char*, int> buttons[] = {
        {"OkButton", 10}, {"CancelButton", 64}, {"FontButton", 118}};
    for (const auto& [name, left] : buttons)
        if (auto* b = dialog.findChild<QPushButton*>(name))
            b->setGeometry(MulDiv(left, u, 4), top, width, height);
}
