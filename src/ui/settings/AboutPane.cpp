#include "ui/settings/AboutPane.h"

#include "agents/McpSystemVersion.h"
#include "base/BuildInfo.h"
#include "platform/Sysctl.h"
#include "ui/kit/Clipboard.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/IconTile.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace morvanex::ui {

AboutInfo AboutInfo::application() {
    // What the build was configured to call itself; an empty value, or the copyright's own
    // fallback "—", reads as unset.
    const auto given = [](const char* value, const char* unset) -> std::optional<QString> {
        const QString text = QString::fromUtf8(value);
        return text.isEmpty() || text == QString::fromUtf8(unset) ? std::nullopt
                                                                  : std::optional(text);
    };
    AboutInfo info;
    info.version = given(BuildInfo::version, "");
    info.build = given(BuildInfo::buildNumber, "");
    info.copyright = given(BuildInfo::copyright, "—");
    return info;
}

QString AboutInfo::versionText() const {
    return version && !version->isEmpty() ? *version : QStringLiteral("dev");
}

QString AboutInfo::buildText() const {
    return build && !build->isEmpty() ? *build : QStringLiteral("—");
}

AboutPane::Machine AboutPane::Machine::current() {
    return {[] { return mcp::systemVersion(); },
            [] { return platform::Sysctl().string(QStringLiteral("hw.model")); }};
}

QString AboutPane::versionInfo(const AboutInfo& info, const QString& system,
                               const std::optional<QString>& model) {
    const QString separator = QStringLiteral(" · ");
    return QStringLiteral("Morvanex ") + info.versionText() + QStringLiteral(" (") +
           info.buildText() + u')' + separator + system + separator +
           (model && !model->isEmpty() ? *model : QStringLiteral("Computer"));
}

QString AboutPane::versionLine(const AboutInfo& info) {
    return QStringLiteral("Version ") + info.versionText() + QStringLiteral(" (") +
           info.buildText() + u')';
}

AboutPane::AboutPane(const PanelEnv& env, QWidget* parent)
    : AboutPane(env, AboutInfo::application(), Machine::current(), parent) {}

AboutPane::AboutPane(const PanelEnv& env, AboutInfo info, Machine machine, QWidget* parent)
    : QWidget(parent), env_(env), info_(std::move(info)), machine_(std::move(machine)) {
    auto* host = fillWithFormHost(this, env_.appearance);
    PaneForm* form = host->replaceForm();
    const Appearance appearance = env_.appearance;

    FormSection* header = form->addSection();
    auto* column = new QWidget;
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 12, 0, 12);
    stack->setSpacing(6);
    stack->setAlignment(Qt::AlignHCenter);
    auto* icon = new IconTile(IconTile::appGlyphName, Tint::indigo, 96, 22, 56, appearance);
    icon->setFixedSize(96, 96);
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    QLabel* name =
        formText(QStringLiteral("Morvanex"), 22, Tint::primaryText, appearance, QFont::DemiBold);
    stack->addWidget(name, 0, Qt::AlignHCenter);
    QLabel* version = formText(versionLine(info_), 13, Tint::secondaryText, appearance);
    version->setObjectName(QStringLiteral("version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stack->addWidget(version, 0, Qt::AlignHCenter);
    stack->addSpacing(2);
    stack->addWidget(formText(QStringLiteral("Your computer's vital signs, one click away."), 13,
                              Tint::secondaryText, appearance),
                     0, Qt::AlignHCenter);
    if (info_.copyright) {
        stack->addSpacing(6);
        QLabel* copyright = formText(*info_.copyright, 11, Tint::tertiaryText, appearance);
        copyright->setObjectName(QStringLiteral("copyright"));
        stack->addWidget(copyright, 0, Qt::AlignHCenter);
    }
    header->addRow(column);

    FormSection* support = form->addSection(QStringLiteral("Support"));
    auto* copy = new QPushButton(QStringLiteral("Copy"));
    copy->setObjectName(QStringLiteral("copyVersionInfo"));
    connect(copy, &QPushButton::clicked, this, [this] {
        // Built only when asked for: the machine facts are read now.
        copyToClipboard(versionInfo(info_, machine_.system ? machine_.system() : QString(),
                                    machine_.model ? machine_.model() : std::nullopt));
    });
    support->addLabeledRow(QStringLiteral("Version info"), copy);

    FormSection* credits = form->addSection(QStringLiteral("Credits"));
    auto* link = new QLabel;
    link->setObjectName(QStringLiteral("weatherLink"));
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:none\">%3</a>")
                      .arg(weatherHome, color(Tint::accent, appearance).name(), weatherSite));
    link->setFont(Fonts::font(13));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(link, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    credits->addLabeledRow(QStringLiteral("Weather data"), link);
    credits->addLabeledRow(QStringLiteral("Sun & Moon"),
                           formText(QStringLiteral("Algorithms ported from SunCalc"), 13,
                                    Tint::secondaryText, appearance));
}

} // namespace morvanex::ui
