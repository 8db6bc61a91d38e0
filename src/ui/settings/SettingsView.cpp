#include "ui/settings/SettingsView.h"

#include "base/BuildInfo.h"
#include "ui/kit/AppearanceMode.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/IconTile.h"
#include "ui/settings/SettingsForm.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

// One sidebar row: the pane's tile and title, highlighted while selected.
class SidebarRow : public QWidget {
public:
    SidebarRow(const PaneEntry& entry, Appearance appearance, std::function<void()> onClick,
               QWidget* parent)
        : QWidget(parent), appearance_(appearance), onClick_(std::move(onClick)) {
        setFixedHeight(30);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(entry.title);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 0, 10, 0);
        layout->setSpacing(8);
        layout->addWidget(new IconTile(entry.symbol, entry.tint, 20, 5, 11, appearance, this), 0,
                          Qt::AlignVCenter);
        title_ = formLabel(entry.title, 13, Tint::primaryText, appearance, this);
        layout->addWidget(title_, 1, Qt::AlignVCenter);
    }
    void setSelected(bool selected) {
        selected_ = selected;
        QPalette palette = title_->palette();
        palette.setColor(QPalette::WindowText,
                         selected ? QColor(Qt::white) : color(Tint::primaryText, appearance_));
        title_->setPalette(palette);
        update();
    }
    bool isSelected() const { return selected_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!selected_)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color(Tint::accent, appearance_));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0, 1, 0, -1), 6, 6);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            onClick_();
    }

private:
    Appearance appearance_;
    std::function<void()> onClick_;
    QLabel* title_;
    bool selected_ = false;
};

} // namespace

SettingsView::SettingsView(SettingsEnv env, PanelDefaults& defaults, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), defaults_(defaults) {
    const Appearance appearance = env_.panel.appearance;
    setPalette(appearancePalette(appearance));
    setAutoFillBackground(true);
    setMinimumSize(minimumContentSize);
    resize(contentSize);

    auto* split = new QHBoxLayout(this);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);

    auto* sidebar = new QWidget(this);
    sidebar->setFixedWidth(210);
    sidebar->setAutoFillBackground(true);
    QPalette sidebarPalette = sidebar->palette();
    sidebarPalette.setColor(QPalette::Window, color(Tint::controlBackground, appearance));
    sidebar->setPalette(sidebarPalette);
    auto* sidebarLayout = new QVBoxLayout(sidebar);
    sidebarLayout->setContentsMargins(10, 12, 10, 0);
    sidebarLayout->setSpacing(2);
    for (const PaneEntry& entry : settingsPanes()) {
        const SettingsPane pane = entry.pane;
        auto* row = new SidebarRow(
            entry, appearance, [this, pane] { select(pane); }, sidebar);
        rows_[pane] = row;
        sidebarLayout->addWidget(row);
    }
    sidebarLayout->addStretch(1);
    version_ = formLabel(versionText(), 11, Tint::tertiaryText, appearance, sidebar);
    version_->setContentsMargins(8, 0, 8, 12);
    sidebarLayout->addWidget(version_);
    split->addWidget(sidebar);

    auto* divider = new QWidget(this);
    divider->setFixedWidth(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, color(Tint::separator, appearance));
    divider->setPalette(dividerPalette);
    split->addWidget(divider);

    auto* detail = new QWidget(this);
    detail_ = new QVBoxLayout(detail);
    detail_->setContentsMargins(0, 0, 0, 0);
    split->addWidget(detail, 1);

    connect(&defaults_, &PanelDefaults::changed, this, [this](const QString& key) {
        if (key == PanelKeys::settingsPane)
            follow();
    });
    pane_ = storedPane(defaults_.value(PanelKeys::settingsPane));
    showPane(pane_);
}

SettingsView::~SettingsView() = default;

QString SettingsView::versionText() const {
    return versionLine(QString::fromUtf8(BuildInfo::version));
}

QWidget* SettingsView::sidebarRow(SettingsPane pane) const {
    const auto it = rows_.find(pane);
    return it == rows_.end() ? nullptr : it->second;
}

void SettingsView::select(SettingsPane pane) {
    // The stored key is the selection: the write comes back through follow().
    defaults_.setValue(PanelKeys::settingsPane, rawValue(pane));
    if (pane != pane_)
        showPane(pane);
}

void SettingsView::follow() {
    const SettingsPane stored = storedPane(defaults_.value(PanelKeys::settingsPane));
    if (stored != pane_)
        showPane(stored);
}

void SettingsView::showPane(SettingsPane pane) {
    pane_ = pane;
    for (const auto& [p, row] : rows_)
        static_cast<SidebarRow*>(row)->setSelected(p == pane);
    // The previous pane goes with its state; its destructor ends what it started (a shortcut
    // recording gives the global hot keys back).
    if (paneView_) {
        detail_->removeWidget(paneView_);
        delete paneView_;
        paneView_ = nullptr;
    }
    const PaneEntry& entry = paneEntry(pane);
    paneView_ = entry.make(env_, detail_->parentWidget());
    detail_->addWidget(paneView_);
    setWindowTitle(entry.title);
}

void SettingsView::restoreWindowGeometry() {
    const auto frame = defaults_.store().data(geometryKey);
    if (frame && restoreGeometry(*frame))
        return;
    resize(contentSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), contentSize);
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void SettingsView::saveWindowGeometry() {
    if (isWindow())
        defaults_.store().setValue(geometryKey, saveGeometry());
}

void SettingsView::hideEvent(QHideEvent* event) {
    saveWindowGeometry();
    QWidget::hideEvent(event);
}

void SettingsView::closeEvent(QCloseEvent* event) {
    saveWindowGeometry();
    QWidget::closeEvent(event);
}

} // namespace morvanex::ui
