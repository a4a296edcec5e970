#pragma once

#include <QLabel>

// A small picture that acts like a button: it clicks when the left button is released inside it
// after it was pressed there, and reports every press with its button (the right button clears a
// picture in some places). The picture is the label's pixmap, drawn at the top left, unscaled.
class ClickableImage : public QLabel {
    Q_OBJECT
public:
    explicit ClickableImage(QWidget* parent = nullptr);

signals:
    void pressed(Qt::MouseButton button);
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_leftDown = false;
};
