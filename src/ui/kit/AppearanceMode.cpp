#include "ui/kit/AppearanceMode.h"

#include "platform/DesktopColorScheme.h"
#include "platform/Log.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleFactory>
#include <optional>

namespace morvanex::ui {

namespace {

using platform::DesktopColorScheme;

// What the desktop said and what was last applied, for following the desktop while `system` is
// the mode. Main thread only.
struct SystemState {
    std::optional<QPalette> platformPalette; // the platform's palette before ours replaced it
    DesktopColorScheme::Preference portal = DesktopColorScheme::Preference::none;
    std::optional<AppearanceMode> applied;
    DesktopColorScheme* watcher = nullptr;
};

SystemState& state() {
    static SystemState instance;
    return instance;
}

// The colour as it shows over the background, fully opaque: Fusion draws some roles as
// gradients and borders, where see-through text colours would look washed out.
QColor over(const QColor& top, const QColor& background) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + background.redF() * (1 - a)),
                            float(top.greenF() * a + background.greenF() * (1 - a)),
                            float(top.blueF() * a + background.blueF() * (1 - a)));
}

void watchDesktop() {
    SystemState& s = state();
    if (s.watcher != nullptr || qApp == nullptr)
        return;
    s.watcher = new DesktopColorScheme(QDBusConnection::sessionBus(), qApp);
    QObject::connect(s.watcher, &DesktopColorScheme::changed, qApp,
                     [](DesktopColorScheme::Preference preference) {
                         state().portal = preference;
                         if (state().applied == AppearanceMode::system)
                             apply(AppearanceMode::system);
                     });
    s.watcher->start();
}

} // namespace

QString label(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::system:
        return QStringLiteral("System");
    case AppearanceMode::light:
        return QStringLiteral("Light");
    case AppearanceMode::dark:
        return QStringLiteral("Dark");
    }
    return {};
}

AppearanceMode currentAppearanceMode(const platform::UserDefaults& defaults) {
    const QVariant stored = defaults.value(appearanceKey);
    if (!stored.isValid())
        return AppearanceMode::system;
    return fromRawValue<AppearanceMode>(stored.toString()).value_or(AppearanceMode::system);
}

void storeAppearanceMode(AppearanceMode mode, platform::UserDefaults defaults) {
    defaults.setValue(appearanceKey, rawValue(mode));
}

QPalette appearancePalette(Appearance appearance) {
    const auto c = [appearance](Tint tint) { return color(tint, appearance); };
    const QColor window = c(Tint::windowBackground);
    const QColor base = c(Tint::controlBackground);
    const QColor text = over(c(Tint::primaryText), window);
    const QColor button = appearance == Appearance::dark ? window.lighter(130) : base;

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, c(Tint::cardBackground));
    p.setColor(QPalette::Text, over(c(Tint::primaryText), base));
    p.setColor(QPalette::PlaceholderText, over(c(Tint::tertiaryText), base));
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, over(c(Tint::primaryText), button));
    p.setColor(QPalette::BrightText, c(Tint::red));
    p.setColor(QPalette::ToolTipBase, c(Tint::cardBackground));
    p.setColor(QPalette::ToolTipText, over(c(Tint::primaryText), c(Tint::cardBackground)));
    p.setColor(QPalette::Highlight, c(Tint::accent));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, c(Tint::blue));
    p.setColor(QPalette::LinkVisited, c(Tint::purple));
    p.setColor(QPalette::Light, window.lighter(150));
    p.setColor(QPalette::Midlight, window.lighter(120));
    p.setColor(QPalette::Mid, window.darker(130));
    p.setColor(QPalette::Dark, window.darker(160));
    p.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, over(c(Tint::tertiaryText), window));
    }
    p.setColor(QPalette::Disabled, QPalette::Highlight, c(Tint::gray));
    return p;
}

Appearance systemAppearance() {
    const SystemState& s = state();
    switch (s.portal) {
    case DesktopColorScheme::Preference::dark:
        return Appearance::dark;
    case DesktopColorScheme::Preference::light:
        return Appearance::light;
    case DesktopColorScheme::Preference::none:
        break;
    }
    // Platform themes that know the desktop's scheme hand it over as their palette.
    const QPalette platform = s.platformPalette
                                  ? *s.platformPalette
                                  : (qGuiApp ? QGuiApplication::palette() : QPalette());
    return platform.color(QPalette::Window).lightness() < 128 ? Appearance::dark
                                                              : Appearance::light;
}

void apply(AppearanceMode mode) {
    if (qGuiApp == nullptr) {
        qCWarning(log::ui) << "no application object: the appearance is not applied";
        return;
    }
    SystemState& s = state();
    if (!s.platformPalette)
        s.platformPalette = QGuiApplication::palette();
    s.applied = mode;
    if (mode == AppearanceMode::system)
        watchDesktop();

    if (qobject_cast<QApplication*>(qApp) != nullptr &&
        QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0) {
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(fusion);
        else
            qCWarning(log::ui) << "the Fusion style is missing; keeping"
                               << QApplication::style()->name();
    }
    const Appearance appearance = mode == AppearanceMode::light  ? Appearance::light
                                  : mode == AppearanceMode::dark ? Appearance::dark
                                                                 : systemAppearance();
    QGuiApplication::setPalette(appearancePalette(appearance));
}

} // namespace morvanex::ui
