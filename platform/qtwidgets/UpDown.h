#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control tied to a line edit, as the address panel and the settings dialog use it: it
// sits at the right end of its edit and follows the edit's place and size, but keeps a visibility
// of its own. Its position is the edit's text as a number; setting it by code writes the text as it
// is, unclamped, while the arrows step by one within min..max.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void setAssociate(QLineEdit* edit);
    QLineEdit* associate() const { return m_edit; }

    int min() const { return m_min; }
    void setMin(int min) { m_min = min; }
    int max() const { return m_max; }
    void setMax(int max) { m_max = max; }

    // The edit's text when it is a number, else the position set last.
    int position() const;
    void setPosition(int position);

    // What the arrows do.
    void stepUp();
    void stepDown();

    static constexpr int Width = 16;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int delta);
    void followAssociate();

    QLineEdit* m_edit = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_min = 0;
    int m_max = 8;
    int m_position = 0;
};
