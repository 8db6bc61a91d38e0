#pragma once

#include "e2e/ChildProcess.h"
#include "support/Pipe.h"

#include <memory>

namespace morvanex::test {

// `morvanex --mcp` in the local environment with the given standard descriptors (-1: closed).
std::unique_ptr<ChildProcess> startMcpServer(int input, int output, int errors);

// The agent server between two pipes of the test, which writes requests to `input.write` and
// reads replies from `output.read`; once the server runs, only it holds the other two ends.
struct PipedMcpServer {
    Pipe input;
    Pipe output;
    std::unique_ptr<ChildProcess> process;

    // Standard error to `errors`, or dropped.
    explicit PipedMcpServer(int errors = -1);
    bool started() const { return process->started(); }
};

} // namespace morvanex::test
