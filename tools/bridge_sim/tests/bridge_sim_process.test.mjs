// The simulator as scripts start it: its port line, its answers on a free port, fault injection,
// argument errors and a clean end on SIGTERM.
// Usage: node bridge_sim_process.test.mjs <vantry-bridge-sim>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { spawn } from "node:child_process";

const [sim] = process.argv.slice(2);
const children = [];
after(() => { for (const c of children) if (c.exitCode === null) c.kill("SIGKILL"); });

async function start(args) {
  const child = spawn(sim, ["--port", "0", ...args], { stdio: ["ignore", "pipe", "pipe"] });
  children.push(child);
  let out = "";
  child.stdout.on("data", (d) => { out += d; });
  const deadline = Date.now() + 5000;
  for (;;) {
    const found = out.match(/listening on (http:\/\/127\.0\.0\.1:\d+)/);
    if (found) return { child, base: found[1] };
    if (Date.now() > deadline) throw new Error("no port line: " + out);
    await new Promise((r) => setTimeout(r, 20));
  }
}

const exited = (child) => new Promise((r) => child.on("exit", (code) => r(code)));

test("answers status, actions, unknown words and other paths", async () => {
  const { child, base } = await start([]);
  const cases = [
    ["/status", 200],
    ["/action?action=play_pause", 200],
    ["/action?action=dance", 400],
    ["/action", 400],
    ["/elsewhere", 404],
  ];
  for (const [path, code] of cases) {
    const reply = await fetch(base + path);
    assert.equal(reply.status, code, path);
    const body = await reply.json();
    if (code === 400) assert.equal(body.ok, false, path);
  }
  const played = await (await fetch(base + "/status")).json();
  assert.equal(played.playbackState, "playing");
  child.kill("SIGTERM");
  assert.equal(await exited(child), 0);
});

test("injects latency, failures and hangs", async () => {
  const slow = await start(["--latency", "300"]);
  const began = Date.now();
  assert.equal((await fetch(slow.base + "/status")).status, 200);
  const took = Date.now() - began;
  assert.ok(took >= 290 && took < 3000, "took " + took + " ms");

  const failing = await start(["--fail-percent", "100"]);
  assert.equal((await fetch(failing.base + "/status")).status, 500);

  const hanging = await start(["--hang-percent", "100"]);
  await assert.rejects(fetch(hanging.base + "/status", { signal: AbortSignal.timeout(500) }));
});

test("refuses bad arguments with exit status 2", async () => {
  for (const args of [["--port", "70000"], ["--fail-percent", "101"], ["--latency", "soon"], ["--bogus"]]) {
    const child = spawn(sim, args, { stdio: "ignore" });
    assert.equal(await exited(child), 2, args.join(" "));
  }
});
