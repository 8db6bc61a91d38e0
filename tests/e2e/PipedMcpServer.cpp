#include "e2e/PipedMcpServer.h"

#include "e2e/ExitCheck.h"
#include "e2e/RunBinary.h"

#include <array>

namespace morvanex::test {

std::unique_ptr<ChildProcess> startMcpServer(int input, int output, int errors) {
    return std::make_unique<ChildProcess>(morvanexCommand({QStringLiteral("--mcp")}),
                                          localEnvironment(),
                                          std::array<int, 3>{input, output, errors});
}

PipedMcpServer::PipedMcpServer(int errors)
    : process(startMcpServer(input.read, output.write, errors >= 0 ? errors : ownErrors.fd())) {
    if (!process->started())
        return;
    input.closeRead();
    output.closeWrite();
}

testing::AssertionResult PipedMcpServer::endsCleanly(std::chrono::milliseconds timeout) {
    const std::optional<int> status = process->waitFor(timeout);
    return waitStatusClean(status, ownErrors.bytes());
}

} // namespace morvanex::test
