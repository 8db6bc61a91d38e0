#pragma once

#include "base/Config.h"
#include "ui/kit/PanelEnv.h"
#include "ui/settings/PaneForm.h"

#include <QLocale>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex::ui {

// The threshold rules, the insight switch and the event switches, with a test notification.
class NotificationsPane : public QWidget {
    Q_OBJECT
public:
    // What the pane asks of the notification service.
    struct Hooks {
        std::function<bool()> isAvailable;
        std::function<void(const QString& title, const QString& body)> post;
        // The desktop answers every notification it gets; nothing here is ever refused.
        std::function<bool()> isDenied = [] { return false; };

        static Hooks system();
    };

    // What the top of the rules section says.
    enum class Status { none, notAvailable, denied };
    static Status status(bool available, bool denied);

    static QString comparisonLabel(Comparison comparison);
    // A rule's number field: the text read in the locale's number format, or nothing when it
    // is no finite number (the stored value then stays).
    static std::optional<double> parseNumber(const QString& text, const QLocale& locale = {});
    static QString numberText(double value, const QLocale& locale = {});
    // The new rule "Add Rule" appends.
    static Rule newRule();
    static void addRule(Config& config);
    static void deleteRule(Config& config, const QUuid& id);

    static inline const QString testTitle = QStringLiteral("Morvanex");
    static inline const QString testBody = QStringLiteral("Notifications are working.");

    explicit NotificationsPane(const PanelEnv& env, QWidget* parent = nullptr);
    NotificationsPane(const PanelEnv& env, Hooks hooks, QWidget* parent = nullptr);

private:
    void rebuild();
    void addRuleRow(class FormSection* section, const Rule& rule);
    void edit(const std::function<void(Config&)>& change, bool redraw);
    void editRule(const QUuid& id, const std::function<void(Rule&)>& change, bool redraw);

    PanelEnv env_;
    Hooks hooks_;
    std::unique_ptr<PaneEditor> editor_;
};

} // namespace morvanex::ui
