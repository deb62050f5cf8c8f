// The simulator as scripts start it: its port line, its answers on a free port, fault injection,
// a refused argument and a clean end on SIGTERM. Which arguments are refused is a unit test's table.
// Usage: node bridge_sim_process.test.mjs <vantry-bridge-sim>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { start, killAll, until, exited } from "../../process_test_support.mjs";

const [sim] = process.argv.slice(2);
after(killAll);
async function serve(args) {
  const { child, output } = start(sim, ["--port", "0", ...args]);
  return { child, base: await until("the port line", () => output().match(/listening on (http:\/\/127\.0\.0\.1:\d+)/)?.[1], 5000) };
}

test("answers on its port line's address, injects faults, refuses a bad argument, ends cleanly on SIGTERM", { timeout: 10000 }, async () => {
  const { child, base } = await serve([]);
  for (const [path, code] of [["/status", 200], ["/action?action=dance", 400], ["/elsewhere", 404]]) assert.equal((await fetch(base + path)).status, code, path);
  const slow = await serve(["--latency", "300"]), began = Date.now();
  assert.equal((await fetch(slow.base + "/status")).status, 200);
  assert.ok(Date.now() - began >= 290, "the latency is served");
  assert.equal((await fetch((await serve(["--fail-percent", "100"])).base + "/status")).status, 500);
  await assert.rejects(fetch((await serve(["--hang-percent", "100"])).base + "/status", { signal: AbortSignal.timeout(500) }));
  assert.equal(await exited(start(sim, ["--port", "0", "--latency", "soon"]).child), 2, "exit status of a bad argument");
  child.kill("SIGTERM");
  assert.equal(await exited(child), 0);
});
