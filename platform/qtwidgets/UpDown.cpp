#include "platform/qtwidgets/UpDown.h"

#include <QEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setObjectName("Up");
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setObjectName("Down");
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    resize(Width, 21);
}

void UpDown::setAssociate(QLineEdit* edit) {
    if (m_edit)
        m_edit->removeEventFilter(this);
    m_edit = edit;
    if (!m_edit)
        return;
    m_edit->installEventFilter(this);
    followAssociate();
}

int UpDown::position() const {
    if (m_edit) {
        bool ok = false;
        const int value = m_edit->text().trimmed().toInt(&ok);
        if (ok)
            return value;
    }
    return m_position;
}

void UpDown::setPosition(int position) {
    m_position = position;
    if (m_edit)
        m_edit->setText(QString::number(position));
}

void UpDown::stepUp() {
    step(1);
}

void UpDown::stepDown() {
    step(-1);
}

void UpDown::step(int delta) {
    const long long next = static_cast<long long>(position()) + delta;
    setPosition(static_cast<int>(std::clamp<long long>(next, m_min, std::max(m_min, m_max))));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        followAssociate();
    return QWidget::eventFilter(watched, event);
}

void UpDown::followAssociate() {
    if (!m_edit || m_edit->parentWidget() != parentWidget())
        return;
    const QRect edit = m_edit->geometry();
    setGeometry(edit.right() + 1 - Width, edit.top(), Width, edit.height());
    raise();
}
