#include "app/RunMode.h"

namespace morvanex {

RunChoice chooseRunMode(const QStringList& arguments) {
    RunChoice choice;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--dump")); at >= 0) {
        choice.mode = RunMode::dump;
        if (at + 1 < arguments.size())
            choice.outputDirectory = arguments.at(at + 1);
        return choice;
    }
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--agents")); at >= 0) {
        choice.mode = RunMode::agents;
        choice.agentArguments = arguments.mid(at + 1);
        return choice;
    }
    if (arguments.contains(QStringLiteral("--mcp")))
        choice.mode = RunMode::mcp;
    return choice;
}

} // namespace morvanex
