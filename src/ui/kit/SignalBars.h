#pragma once

#include "ui/kit/Palette.h"

#include <QRectF>
#include <QWidget>
#include <array>

class QPainter;

// Four Wi-Fi signal bars, lit by the received signal strength.
namespace morvanex::ui {

struct SignalBars {
    int rssi = 0; // dBm

    // How many bars are lit: 4 from -55 to 0 dBm, 3 down to -67, 2 down to -75, 1 down to
    // -85, none below that or above 0.
    static int litBars(int rssi);
    // The colour of the lit bars: green from -67 to 0, yellow from -75 to -68, red otherwise.
    static Tint color(int rssi);
};

// The frame the bars stand in: four 3-point bars 2 points apart, 12 points high.
inline constexpr double signalBarsWidth = 4 * 3 + 3 * 2;
inline constexpr double signalBarsHeight = 12;

// Bar i (left to right) is 3 points wide and 4 + 2.7 × i high, standing on the frame's bottom
// edge (the tallest reaches 0.1 above the frame).
std::array<QRectF, 4> signalBarRects();

void drawSignalBars(QPainter& painter, const QPointF& origin, const SignalBars& bars,
                    Appearance appearance);

class SignalBarsView : public QWidget {
public:
    SignalBarsView(SignalBars bars, Appearance appearance, QWidget* parent = nullptr);
    void setBars(SignalBars bars);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SignalBars bars_;
    Appearance appearance_;
};

} // namespace morvanex::ui
