#include "ui/settings/AgentsPane.h"

#include "platform/MainQueue.h"
#include "platform/ProgramFolder.h"
#include "platform/SerialQueue.h"
#include "ui/kit/Clipboard.h"
#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/settings/PaneForm.h"

#include <QBoxLayout>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>

namespace morvanex::ui {

namespace {

using Kind = AgentClient::Status::Kind;

QLabel* monospaced(const QString& text, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

QString AgentsPane::statusText(const AgentClient::Status& status) {
    switch (status.kind) {
    case Kind::notInstalled:
        return QStringLiteral("Not found on this computer");
    case Kind::notAdded:
        return QStringLiteral("Not connected");
    case Kind::added:
        return QStringLiteral("Connected");
    case Kind::addedElsewhere:
        return QStringLiteral("Connected to another copy of Morvanex");
    case Kind::manual:
        return QStringLiteral("Set up with a terminal command");
    }
    return {};
}

Tint AgentsPane::dotTint(const AgentClient::Status& status) {
    switch (status.kind) {
    case Kind::added:
        return Tint::green;
    case Kind::addedElsewhere:
        return Tint::orange;
    case Kind::notInstalled:
    case Kind::notAdded:
    case Kind::manual:
        break;
    }
    return Tint::secondaryText;
}

std::vector<AgentsPane::Button> AgentsPane::buttons(const AgentClient::Status& status) {
    switch (status.kind) {
    case Kind::notInstalled:
        return {};
    case Kind::notAdded:
        return {{QStringLiteral("Add"), Action::add}};
    case Kind::added:
        return {{QStringLiteral("Remove"), Action::remove}};
    case Kind::addedElsewhere:
        return {{QStringLiteral("Update"), Action::add},
                {QStringLiteral("Remove"), Action::remove}};
    case Kind::manual:
        return {{QStringLiteral("Copy Command"), Action::copyCommand}};
    }
    return {};
}

std::optional<QString> AgentsPane::locationWarning(const QString& executable,
                                                   const QString& buildTree) {
    // Every copy outside the build tree is installed, under whatever prefix; the build tree is
    // made again, cleaned or moved as the work on it goes.
    if (buildTree.isEmpty() ||
        !QDir::cleanPath(executable).startsWith(QDir::cleanPath(buildTree) + QLatin1Char('/')))
        return std::nullopt;
    return QStringLiteral("Morvanex is running from ") + executable +
           QStringLiteral(". These apps remember that location, so install Morvanex first "
                          "(cmake --install puts it at /usr/local/bin/morvanex), or update the "
                          "connections here after moving it.");
}

const QStringList& AgentsPane::exampleQuestions() {
    static const QStringList questions{
        QStringLiteral("Why were my fans loud last night?"),
        QStringLiteral("What's using my memory right now?"),
        QStringLiteral("How has my battery health changed? How many cycles?"),
        QStringLiteral("Was my CPU busy this afternoon, and what was running?"),
        QStringLiteral("How fast was my internet in the last speed test?"),
    };
    return questions;
}

AgentsPane::AgentsPane(const PanelEnv& env, QWidget* parent)
    : AgentsPane(env, AgentClient::all(), AgentClient::executable(), parent) {}

AgentsPane::AgentsPane(const PanelEnv& env, std::vector<AgentClient> clients, QString executable,
                       QWidget* parent)
    : QWidget(parent), env_(env), clients_(std::move(clients)), executable_(std::move(executable)),
      files_(std::make_unique<platform::SerialQueue>(QStringLiteral("Morvanex.agents"))) {
    host_ = fillWithFormHost(this, env_.appearance);
    rebuild();
    refresh();
}

AgentsPane::~AgentsPane() {
    *alive_ = false;
}

void AgentsPane::runThenRefresh(std::function<void()> work, std::function<void()> apply) {
    ++pending_;
    rebuild(); // the row buttons wait for the files
    auto statuses = std::make_shared<std::map<QString, AgentClient::Status>>();
    std::weak_ptr<bool> alive = alive_;
    files_->async([this, work = std::move(work), apply = std::move(apply), statuses, alive,
                   clients = clients_]() mutable {
        if (work)
            work();
        for (const AgentClient& client : clients)
            (*statuses)[client.id] = client.status();
        platform::postToMain([this, apply = std::move(apply), statuses, alive] {
            // The pane may be gone by the time the files have been read.
            if (!alive.lock() || !*alive.lock())
                return;
            --pending_;
            if (apply)
                apply();
            statuses_ = *statuses;
            rebuild();
        });
    });
}

void AgentsPane::refresh() {
    runThenRefresh({}, {});
}

void AgentsPane::perform(Action action, const AgentClient& client) {
    const QString id = client.id;
    if (action == Action::copyCommand) {
        if (const auto* command = std::get_if<AgentClient::CommandConfig>(&client.config))
            copyToClipboard(command->commandLine);
        messages_[id] = copiedText;
        rebuild();
        return;
    }
    auto failure = std::make_shared<std::optional<AgentClient::ConfigError>>();
    const QString note = action == Action::add ? client.detail : removedText;
    runThenRefresh([client, action,
                    failure] { *failure = action == Action::add ? client.add() : client.remove(); },
                   [this, id, note, failure] {
                       if (*failure) {
                           errors_[id] = (*failure)->localizedDescription();
                           messages_.erase(id);
                       } else {
                           errors_.erase(id);
                           messages_[id] = note;
                       }
                   });
}

void AgentsPane::rebuild() {
    const Appearance appearance = env_.appearance;
    PaneForm* form = host_->replaceForm();

    FormSection* apps = form->addSection(QStringLiteral("Let AI apps ask about this computer"));
    for (const AgentClient& client : clients_)
        apps->addRow(clientRow(client));
    if (const auto warning = locationWarning(executable_, platform::ProgramFolder::buildTree())) {
        QLabel* label = formText(*warning, 11, Tint::orange, appearance, QFont::Normal, true);
        label->setObjectName(QStringLiteral("locationWarning"));
        apps->addRow(label);
    }
    apps->setFooter(QStringLiteral(
        "Morvanex includes an MCP server, the open standard many AI apps use for tools. The app "
        "starts Morvanex in the background when it needs an answer, even if the menu bar app "
        "isn't running. History needs the menu bar app to have been running to record it."));

    FormSection* examples = form->addSection(QStringLiteral("Try asking"));
    for (const QString& question : exampleQuestions())
        examples->addRow(formText(QStringLiteral("“") + question + QStringLiteral("”"), 13,
                                  Tint::secondaryText, appearance, QFont::Normal, true));

    FormSection* privacy = form->addSection(QStringLiteral("Privacy"));
    privacy->addRow(formText(
        QStringLiteral("Read only: an AI app can see stats, not change anything. Answers can "
                       "include process names, IP addresses, Wi-Fi and device names, which are "
                       "sent to that app's AI provider only when it uses a Morvanex tool in a "
                       "conversation."),
        12, Tint::secondaryText, appearance, QFont::Normal, true));

    FormSection* other = form->addSection(QStringLiteral("Other apps"));
    auto* commandRow = new QWidget;
    auto* commandLine = new QHBoxLayout(commandRow);
    commandLine->setContentsMargins(0, 0, 0, 0);
    commandLine->setSpacing(12);
    commandLine->addWidget(formText(QStringLiteral("Command"), 13, Tint::primaryText, appearance));
    QLabel* command = monospaced(executable_ + QStringLiteral(" --mcp"));
    command->setObjectName(QStringLiteral("command"));
    command->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    commandLine->addWidget(command, 1);
    other->addRow(commandRow);
    const QString snippet = AgentClient::genericSnippet(executable_);
    auto* snippetBox = new QWidget;
    auto* snippetLayout = new QVBoxLayout(snippetBox);
    snippetLayout->setContentsMargins(0, 0, 0, 0);
    snippetLayout->setSpacing(8);
    QLabel* snippetLabel = monospaced(snippet.endsWith(u'\n') ? snippet.chopped(1) : snippet);
    snippetLabel->setObjectName(QStringLiteral("snippet"));
    snippetLayout->addWidget(snippetLabel);
    auto* copy = new QPushButton(QStringLiteral("Copy Config"));
    copy->setObjectName(QStringLiteral("copyConfig"));
    connect(copy, &QPushButton::clicked, this, [snippet] { copyToClipboard(snippet); });
    auto* copyLine = new QHBoxLayout;
    copyLine->addWidget(copy);
    copyLine->addStretch(1);
    snippetLayout->addLayout(copyLine);
    other->addRow(snippetBox);
    other->setFooter(QStringLiteral("Any app that supports local (stdio) MCP servers can run the "
                                    "command above. Most accept this mcpServers config."));
}

QWidget* AgentsPane::clientRow(const AgentClient& client) {
    const Appearance appearance = env_.appearance;
    const auto found = statuses_.find(client.id);
    const AgentClient::Status status =
        found == statuses_.end() ? AgentClient::Status::notInstalled() : found->second;

    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("client-") + client.id);
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    QColor dot = color(dotTint(status), appearance);
    if (dotTint(status) == Tint::secondaryText)
        dot.setAlphaF(dot.alphaF() * 0.5);
    line->addWidget(new Dot(dot, 8));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(formText(
        client.name, 13,
        status.kind == Kind::notInstalled ? Tint::secondaryText : Tint::primaryText, appearance));
    QLabel* statusLabel = formText(statusText(status), 11, Tint::secondaryText, appearance);
    statusLabel->setObjectName(QStringLiteral("status"));
    texts->addWidget(statusLabel);
    line->addLayout(texts);
    addFlexibleSpace(line, 12);
    for (const Button& button : buttons(status)) {
        auto* press = new QPushButton(button.label);
        press->setObjectName(button.label);
        press->setEnabled(pending_ == 0);
        const Action action = button.action;
        const QString id = client.id;
        connect(press, &QPushButton::clicked, this, [this, action, id] {
            for (const AgentClient& c : clients_)
                if (c.id == id)
                    return perform(action, c);
        });
        line->addWidget(press);
    }
    column->addLayout(line);
    const auto error = errors_.find(client.id);
    const auto message = messages_.find(client.id);
    if (error != errors_.end()) {
        QLabel* note = formText(error->second, 11, Tint::red, appearance, QFont::Normal, true);
        note->setObjectName(QStringLiteral("note"));
        column->addWidget(note);
    } else if (message != messages_.end()) {
        QLabel* note =
            formText(message->second, 11, Tint::secondaryText, appearance, QFont::Normal, true);
        note->setObjectName(QStringLiteral("note"));
        column->addWidget(note);
    }
    return row;
}

} // namespace morvanex::ui
