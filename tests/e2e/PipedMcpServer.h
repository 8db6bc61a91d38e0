#pragma once

#include "e2e/ChildProcess.h"
#include "e2e/ErrorFile.h"
#include "support/Pipe.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>

namespace morvanex::test {

// `morvanex --mcp` in the local environment with the given standard descriptors (-1: closed).
std::unique_ptr<ChildProcess> startMcpServer(int input, int output, int errors);

// The agent server between two pipes of the test, which writes requests to `input.write` and
// reads replies from `output.read`; once the server runs, only it holds the other two ends.
struct PipedMcpServer {
    Pipe input;
    Pipe output;
    // Standard error when the test gives no descriptor of its own for it.
    ErrorFile ownErrors;
    std::unique_ptr<ChildProcess> process;

    // Standard error to `errors`, or to ownErrors.
    explicit PipedMcpServer(int errors = -1);
    bool started() const { return process->started(); }

    // Waits at most `timeout` for the server to end and checks its end as every run of the
    // binary is checked (see ExitCheck.h), with what it wrote to ownErrors.
    testing::AssertionResult endsCleanly(std::chrono::milliseconds timeout);
};

} // namespace morvanex::test
