#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QWidget>

namespace morvanex::ui {

// One symbol of the catalog at a text size, in one colour, optionally turned about its centre
// (a disclosure chevron points down by turning 90 degrees). A name the catalog lacks takes no
// room and draws nothing.
class SymbolIcon : public QWidget {
    Q_OBJECT
public:
    SymbolIcon(const QString& name, double pointSize, const QColor& color,
               QWidget* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    void setRotation(double degrees);
    double rotation() const { return rotation_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The symbol as an icon for buttons and menus, drawn at device-pixel ratio 2.
    static QIcon icon(const QString& name, double pointSize, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double pointSize_;
    QColor color_;
    double rotation_ = 0;
};

} // namespace morvanex::ui
