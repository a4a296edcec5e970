#pragma once

#include <QWidget>
#include <functional>

#include "platform/qt/PaintBoxImage.h"

// A paint box: its picture lives in a view image of the box's own size, into which all drawing goes;
// painting only blits that image. When the box changes size the owner is told, so that it can fill
// the image anew (the plan view copies the visible part of the plan).
class PaintBoxWidget : public QWidget {
    Q_OBJECT
public:
    explicit PaintBoxWidget(QWidget* parent = nullptr);

    PaintBoxImage& view() { return m_view; }
    const PaintBoxImage& view() const { return m_view; }

    void setResizedCallback(std::function<void()> callback) { m_resized = std::move(callback); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PaintBoxImage m_view;
    std::function<void()> m_resized;
};
