#pragma once

#include "ui/kit/PanelEnv.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace morvanex::ui {

// What the build says about the application; each value is absent when the build left it
// unset.
struct AboutInfo {
    std::optional<QString> version;
    std::optional<QString> build;
    std::optional<QString> copyright;

    // The values this executable was built with.
    static AboutInfo application();

    // "dev" without a version, "—" without a build number.
    QString versionText() const;
    QString buildText() const;
};

// The application's mark, name and version, the version line for support requests, and the
// credits.
class AboutPane : public QWidget {
    Q_OBJECT
public:
    // Where the machine facts of the version line come from.
    struct Machine {
        std::function<QString()> system; // operating system and kernel
        std::function<std::optional<QString>()> model;

        static Machine current();
    };

    // "Morvanex <version> (<build>) · <system> · <model>", "Computer" when the model is unknown.
    static QString versionInfo(const AboutInfo& info, const QString& system,
                               const std::optional<QString>& model);
    // "Version <version> (<build>)".
    static QString versionLine(const AboutInfo& info);

    static inline const QString weatherSite = QStringLiteral("open-meteo.com");
    static inline const QString weatherHome = QStringLiteral("https://open-meteo.com/");

    explicit AboutPane(const PanelEnv& env, QWidget* parent = nullptr);
    AboutPane(const PanelEnv& env, AboutInfo info, Machine machine, QWidget* parent = nullptr);

private:
    PanelEnv env_;
    AboutInfo info_;
    Machine machine_;
};

} // namespace morvanex::ui
