#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace morvanex::ui {

// One line of text that never wraps: when narrower than its text it shows the text shortened
// with "…" (at the end, or in the middle for addresses and identifiers) and offers the whole
// text as its tooltip. Asks for its whole text's width and accepts less.
class TextLine : public QLabel {
    Q_OBJECT
public:
    TextLine(const QString& text, const QFont& font, const QColor& color,
             Qt::TextElideMode elide = Qt::ElideRight, QWidget* parent = nullptr);

    QString fullText() const { return full_; }
    void setFullText(const QString& text);
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    bool isElided() const { return text() != full_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    QString full_;
    QColor color_;
    Qt::TextElideMode elide_;
};

} // namespace morvanex::ui
