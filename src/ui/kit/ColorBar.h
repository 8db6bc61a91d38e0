#pragma once

#include <QColor>
#include <QWidget>

namespace morvanex::ui {

// An upright bar of an event's calendar colour, 3 wide with rounded ends.
class ColorBar : public QWidget {
    Q_OBJECT
public:
    ColorBar(const QColor& fill, int height, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

} // namespace morvanex::ui
