#include "dump/PanelRenderFrame.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::dump;
using ui::Appearance;

namespace {

// A transparent panel stand-in that wants a fixed height.
class FixedHeight : public QWidget {
public:
    explicit FixedHeight(int height) : height_(height) {}
    QSize sizeHint() const override { return {200, height_}; }

private:
    int height_;
};

bool near(QRgb pixel, const QColor& colour) {
    return std::abs(qRed(pixel) - colour.red()) <= 1 &&
           std::abs(qGreen(pixel) - colour.green()) <= 1 &&
           std::abs(qBlue(pixel) - colour.blue()) <= 1 && qAlpha(pixel) == 255;
}

TEST(PanelRenderFrame, PanelSitsOnARoundedCardWithTwentyPointsOfBackdrop) {
    for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
        SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
        const QImage image = renderPanelFrame(new FixedHeight(123), appearance);
        ASSERT_EQ(image.size(), QSize(760, (123 + 40) * 2));
        EXPECT_EQ(image.devicePixelRatio(), 2);
        const QColor backdrop = panelBackdropColor(appearance);
        const QColor card = panelCardColor(appearance);
        for (const QPoint corner : {QPoint(0, 0), QPoint(759, 0), QPoint(0, 325), QPoint(759, 325)})
            EXPECT_TRUE(near(image.pixel(corner), backdrop)) << corner.x() << "," << corner.y();
        // Inside the padding, and in the card's rounded corner.
        EXPECT_TRUE(near(image.pixel(39, 100), backdrop));
        EXPECT_TRUE(near(image.pixel(41, 41), backdrop));
        // The card behind the panel, up to its edges away from the corners.
        EXPECT_TRUE(near(image.pixel(380, 163), card));
        EXPECT_TRUE(near(image.pixel(41, 163), card));
        EXPECT_TRUE(near(image.pixel(718, 163), card));
    }
    EXPECT_EQ(panelCardColor(Appearance::dark), QColor::fromRgbF(0.17f, 0.17f, 0.17f));
    EXPECT_EQ(panelCardColor(Appearance::light), QColor::fromRgbF(0.96f, 0.96f, 0.96f));
    EXPECT_EQ(panelBackdropColor(Appearance::dark), QColor::fromRgbF(0.08f, 0.10f, 0.15f));
    EXPECT_EQ(panelBackdropColor(Appearance::light), QColor::fromRgbF(0.73f, 0.80f, 0.89f));
}

TEST(PanelRenderFrame, WrappedTextTakesTheHeightItNeedsAtThePanelWidth) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QString(40, u'x').append(u' ').repeated(12));
    label->setWordWrap(true);
    layout->addWidget(label);
    // What the same text needs 340 points wide, measured on a copy.
    QLabel copy(label->text());
    copy.setWordWrap(true);
    const int wanted = copy.heightForWidth(340);
    ASSERT_GT(wanted, copy.fontMetrics().height() * 3) << "the text wraps onto several lines";

    QPointer<QWidget> watched(panel);
    const QImage image = renderPanelFrame(panel, Appearance::light);
    EXPECT_EQ(image.height(), (wanted + 40) * 2);
    EXPECT_EQ(image.width(), 760);
    EXPECT_TRUE(watched.isNull()) << "the frame takes the panel with it";
}

} // namespace
