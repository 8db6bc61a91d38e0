#pragma once

#include "agents/AgentClient.h"
#include "ui/kit/PanelEnv.h"

#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace morvanex::platform {
class SerialQueue;
} // namespace morvanex::platform

namespace morvanex::ui {

class FormHost;

// Connects the agent server to the AI agent applications the agent setup knows, by adding,
// updating or removing its entry in their own configuration files.
class AgentsPane : public QWidget {
    Q_OBJECT
public:
    enum class Action { add, remove, copyCommand };
    struct Button {
        QString label;
        Action action;
        bool operator==(const Button&) const = default;
    };

    static QString statusText(const AgentClient::Status& status);
    static Tint dotTint(const AgentClient::Status& status);
    static std::vector<Button> buttons(const AgentClient::Status& status);
    // The warning under the rows when `executable` lies in `buildTree`, the folder the build
    // made it in (empty when that is gone); nothing for an installed copy.
    static std::optional<QString> locationWarning(const QString& executable,
                                                  const QString& buildTree);
    static const QStringList& exampleQuestions();

    static inline const QString copiedText = QStringLiteral("Copied. Paste it into a terminal.");
    static inline const QString removedText = QStringLiteral("Removed.");

    // Reads and writes the files of `clients` (the known applications by default) on a thread
    // of the pane's own; the outcome is shown when it arrives.
    explicit AgentsPane(const PanelEnv& env, QWidget* parent = nullptr);
    AgentsPane(const PanelEnv& env, std::vector<AgentClient> clients, QString executable,
               QWidget* parent = nullptr);
    ~AgentsPane() override;

    // Reads every client's status again.
    void refresh();
    // Runs one row action.
    void perform(Action action, const AgentClient& client);

    // Work handed to the file thread that has not come back yet.
    int pending() const { return pending_; }
    const std::map<QString, AgentClient::Status>& statuses() const { return statuses_; }
    const std::map<QString, QString>& messages() const { return messages_; }
    const std::map<QString, QString>& errors() const { return errors_; }

private:
    void rebuild();
    QWidget* clientRow(const AgentClient& client);
    // Runs `work` on the file thread, then `apply` with its statuses on the main thread.
    void runThenRefresh(std::function<void()> work, std::function<void()> apply);

    PanelEnv env_;
    std::vector<AgentClient> clients_;
    QString executable_;
    FormHost* host_ = nullptr;
    std::map<QString, AgentClient::Status> statuses_;
    std::map<QString, QString> messages_;
    std::map<QString, QString> errors_;
    int pending_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Declared last: destroyed first, finishing the work queued on it.
    std::unique_ptr<platform::SerialQueue> files_;
};

} // namespace morvanex::ui
