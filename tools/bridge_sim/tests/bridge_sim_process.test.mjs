// The simulator as scripts start it: its port line, its answers on a free port, fault injection,
// argument errors and a clean end on SIGTERM.
// Usage: node bridge_sim_process.test.mjs <vantry-bridge-sim>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { start, killAll, until } from "../../process_test_support.mjs";

const [sim] = process.argv.slice(2);
after(killAll);

async function serve(args) {
  const { child, output } = start(sim, ["--port", "0", ...args]);
  return { child, base: await until("the port line", () => output().match(/listening on (http:\/\/127\.0\.0\.1:\d+)/)?.[1], 5000) };
}
const exited = (child) => new Promise((r) => child.on("exit", (code) => r(code)));

test("answers status, actions, unknown words and other paths, and ends cleanly", async () => {
  const { child, base } = await serve([]);
  for (const [path, code] of [["/status", 200], ["/action?action=play_pause", 200], ["/action?action=dance", 400], ["/action", 400], ["/elsewhere", 404]]) {
    const reply = await fetch(base + path);
    assert.equal(reply.status, code, path);
    const body = await reply.json();
    if (code === 400) assert.equal(body.ok, false, path);
  }
  assert.equal((await (await fetch(base + "/status")).json()).playbackState, "playing");
  child.kill("SIGTERM");
  assert.equal(await exited(child), 0);
});

test("injects latency, failures and hangs", async () => {
  const slow = await serve(["--latency", "300"]);
  const began = Date.now();
  assert.equal((await fetch(slow.base + "/status")).status, 200);
  const took = Date.now() - began;
  assert.ok(took >= 290 && took < 3000, "took " + took + " ms");
  assert.equal((await fetch((await serve(["--fail-percent", "100"])).base + "/status")).status, 500);
  const hanging = await serve(["--hang-percent", "100"]);
  await assert.rejects(fetch(hanging.base + "/status", { signal: AbortSignal.timeout(500) }));
});

// A bad argument taken for a good one would leave the simulator serving: the time-out ends the test then.
test("refuses bad arguments with exit status 2", { timeout: 10000 }, async () => {
  for (const args of [["--port", "70000"], ["--fail-percent", "101"], ["--latency", "soon"], ["--bogus"]]) {
    assert.equal(await exited(start(sim, ["--port", "0", ...args]).child), 2, args.join(" "));
  }
});
