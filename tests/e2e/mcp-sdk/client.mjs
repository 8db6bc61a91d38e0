// Connects the official Model Context Protocol SDK client to `morvanex --mcp`, lists the tools,
// calls each one and prints a JSON report on standard output. Every failure the SDK raises
// (a malformed response, a result that does not match the protocol's schema, a timeout) ends
// the script with a non-zero status and the error on standard error.
//
// Usage: node client.mjs /path/to/morvanex

import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import {
  StdioClientTransport,
  getDefaultEnvironment,
} from "@modelcontextprotocol/sdk/client/stdio.js";

const binary = process.argv[2];
if (!binary) {
  console.error("Usage: node client.mjs /path/to/morvanex");
  process.exit(2);
}

// The bare environment agent applications give their servers, plus the sanitizer settings of a
// test build.
const env = getDefaultEnvironment();
for (const name of ["ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"]) {
  if (process.env[name] !== undefined) env[name] = process.env[name];
}

// Arguments that make each tool answer rather than refuse.
const argumentsFor = {
  get_history: { metric: "cpu_user", range: "1h", points: 5 },
  get_top_processes: { sort_by: "memory", limit: 3 },
  get_sensors: { all_sensors: true },
};

const transport = new StdioClientTransport({
  command: binary,
  args: ["--mcp"],
  env,
  stderr: "inherit",
});
const client = new Client({ name: "morvanex-interop-test", version: "1.0.0" });
await client.connect(transport);

const report = {
  serverVersion: client.getServerVersion(),
  instructions: client.getInstructions() ?? null,
  tools: [],
  calls: {},
};

const { tools } = await client.listTools();
for (const tool of tools) {
  report.tools.push(tool.name);
  const result = await client.callTool({ name: tool.name, arguments: argumentsFor[tool.name] ?? {} });
  const text = result.content?.[0]?.text ?? "";
  let answer = null;
  try {
    answer = JSON.parse(text);
  } catch {
    answer = null;
  }
  report.calls[tool.name] = {
    isError: result.isError === true,
    parsed: answer !== null && typeof answer === "object",
    keys: answer && typeof answer === "object" ? Object.keys(answer).sort() : [],
    text: answer === null ? text : undefined,
  };
}

await client.ping();
await client.close();
console.log(JSON.stringify(report));
