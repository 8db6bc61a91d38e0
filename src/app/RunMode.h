#pragma once

#include <QStringList>
#include <optional>

namespace morvanex {

enum class RunMode { dump, agents, mcp, application };

struct RunChoice {
    RunMode mode = RunMode::application;
    std::optional<QString> outputDirectory; // dump only: the element after "--dump"
    QStringList agentArguments;             // agents only: every element after "--agents"
};

// Picks the run mode from the whole argument list (element 0 included). Switches match only
// exactly; "--dump" wins over "--agents", which wins over "--mcp".
RunChoice chooseRunMode(const QStringList& arguments);

} // namespace morvanex
