// deck-host with the real plugin and the bridge simulator on 48187: keys get pictures, a press
// of play/pause makes the simulator play and the key show the pause symbol, the runtime key
// advances, and --snapshot writes nine pictures and a summary.
// Usage: node deck_host_flow.test.mjs <deck-host> <vantry-bridge-sim> <plugin> <work dir>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { start, killAll, until } from "../../process_test_support.mjs";
import { mkdtempSync, readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";

const [deckHost, bridgeSim, plugin, workDir] = process.argv.slice(2);
after(killAll);

const svgText = (url) => Buffer.from(url.split(",")[1], "base64").toString("utf8");
const symbolOf = (url) => [...svgText(url).matchAll(/<text[^>]*>([^<]*)<\/text>/g)].map((m) => m[1]);

test("presses reach the simulator and the keys follow it", async () => {
  const sim = start(bridgeSim, ["--port", "48187"]);
  await until("the simulator", () => sim.output().includes("listening"), 5000);
  const host = start(deckHost, ["--plugin", plugin]);
  const base = await until("the page address", () => host.output().match(/open (http:\/\/127\.0\.0\.1:\d+\/)/)?.[1], 5000);
  const state = async () => (await fetch(base + "state.json")).json();
  const keys = await until("nine pictures", async () => {
    const s = await state();
    return s.keys.length === 9 && s.keys.every((k) => k.image.startsWith("data:image/")) && s.keys;
  }, 5000);
  const playPause = keys.find((k) => k.name === "playpause");
  assert.ok(symbolOf(playPause.image).includes("\u25B6"));
  const runtimeBefore = keys.find((k) => k.name === "runtime").image;

  // Another site's page open in the same browser is refused, and presses nothing.
  const foreign = { method: "POST", headers: { Origin: "http://evil.example" } };
  assert.equal((await fetch(base + "press?context=" + playPause.context, foreign)).status, 403);
  const pressed = await fetch(base + "press?context=" + playPause.context, { method: "POST" });
  assert.equal(pressed.status, 200);
  await until("the simulator to play", async () =>
    (await (await fetch("http://127.0.0.1:48187/status")).json()).playbackState === "playing", 2000);
  await until("the pause symbol", async () =>
    symbolOf((await state()).keys.find((k) => k.name === "playpause").image).includes("\u275A\u275A"), 2000);
  assert.equal((await state()).keys.find((k) => k.name === "playpause").markCount, 1);
  await until("the runtime to advance", async () =>
    symbolOf((await state()).keys.find((k) => k.name === "runtime").image).join() !== symbolOf(runtimeBefore).join(), 3000);

  assert.equal((await fetch(base + "press?context=nope", { method: "POST" })).status, 404);
  host.child.kill("SIGTERM");
  const code = await new Promise((r) => host.child.on("exit", (c) => r(c)));
  assert.equal(code, 0);
  sim.child.kill("SIGTERM");
});

test("--snapshot writes nine pictures and a summary", async () => {
  const sim = start(bridgeSim, ["--port", "48187"]);
  await until("the simulator", () => sim.output().includes("listening"), 5000);
  const dir = mkdtempSync(join(workDir, "deck-snapshot-"));
  const host = start(deckHost, ["--plugin", plugin, "--snapshot", dir, "--seconds", "3"]);
  const code = await new Promise((r) => host.child.on("exit", (c) => r(c)));
  assert.equal(code, 0);
  const summary = JSON.parse(readFileSync(join(dir, "summary.json"), "utf8"));
  assert.equal(summary.keys.length, 9);
  for (const key of summary.keys) {
    assert.ok(key.file, key.name + " has a picture");
    assert.ok(key.imageCount >= 1);
  }
  assert.equal(readdirSync(dir).filter((f) => f.endsWith(".svg") || f.endsWith(".png")).length, 9);
  sim.child.kill("SIGTERM");
});
