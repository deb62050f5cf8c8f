// The tools as scripts start them. The simulator: its port line, its answers on a free port, fault
// injection, a refused argument and a clean end on SIGTERM (which arguments are refused is a unit
// test's table). deck-host with the real plugin and the simulator on 48187, its page in headless
// Chromium: nine pictures and four dial strips; presses from another site refused; a click on
// play/pause makes the simulator play and the key show the pause symbol; the runtime key advances;
// three right turns of a dial move the paused clip and its strip 30 s; --snapshot writes nine
// pictures and the strips, and starts the runtime key with the settings given. The runtime key's
// property inspector from the bundle, in the page: its time and warning settings reach the key's
// picture, and its connection line follows the simulator going and, after "Check now", coming back;
// the bundle's files are refused to other sites and outside the bundle.
// Usage: node tools.test.mjs <deck-host> <vantry-bridge-sim> <plugin> <artifact dir>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { existsSync, readFileSync, readdirSync, rmSync } from "node:fs";
import { request } from "node:http";
import { join } from "node:path";

const [deckHost, bridgeSim, plugin, artifactDir] = process.argv.slice(2);
const chromiumPath = "/usr/bin/chromium";
const children = [];
let browser;
// A page in headless Chromium, each in a new, empty profile; none without playwright-core or Chromium.
async function newPage() {
  const { chromium } = await import("playwright-core").catch(() => ({}));
  if (!chromium || !existsSync(chromiumPath)) return undefined;
  browser ??= await chromium.launch({ executablePath: chromiumPath, args: ["--headless", "--no-sandbox", "--disable-gpu",
    "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync"] });
  return browser.newPage();
}
after(async () => { await browser?.close(); for (const c of children) if (c.exitCode === null) c.kill("SIGKILL"); });
// A tool started with its output kept.
function start(program, args) {
  const child = spawn(program, args, { stdio: ["ignore", "pipe", "inherit"] });
  children.push(child);
  let out = "";
  child.stdout.on("data", (d) => { out += d; });
  return { child, output: () => out };
}
const exited = (child) => child.exitCode !== null ? Promise.resolve(child.exitCode) : new Promise((r) => child.on("exit", r));
async function until(what, check, ms) {
  const deadline = Date.now() + ms;
  for (;;) {
    try { const v = await check(); if (v) return v; } catch {}
    if (Date.now() > deadline) throw new Error("timed out waiting for " + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

async function serve(args) {
  const { child, output } = start(bridgeSim, ["--port", "0", ...args]);
  const base = () => output().match(/listening on (http:\/\/127\.0\.0\.1:\d+)/)?.[1];
  return { child, base: await until("the port line", base, 5000) };
}

test("the simulator answers on its port line's address, injects faults, refuses a bad argument", async () => {
  const { child, base } = await serve([]);
  for (const [path, code] of [["/status", 200], ["/action?action=dance", 400], ["/elsewhere", 404]]) {
    assert.equal((await fetch(base + path)).status, code, path);
  }
  const slow = await serve(["--latency", "300"]), began = Date.now();
  assert.equal((await fetch(slow.base + "/status")).status, 200);
  assert.ok(Date.now() - began >= 290, "the latency is served");
  assert.equal((await fetch((await serve(["--fail-percent", "100"])).base + "/status")).status, 500);
  const hung = await serve(["--hang-percent", "100"]);
  await assert.rejects(fetch(hung.base + "/status", { signal: AbortSignal.timeout(500) }));
  assert.equal(await exited(start(bridgeSim, ["--port", "0", "--latency", "soon"]).child), 2, "a bad argument's exit status");
  child.kill("SIGTERM");
  assert.equal(await exited(child), 0);
});

const picture = (key) => Buffer.from(key.image.split(",")[1], "base64").toString();
const symbols = (key) => [...picture(key).matchAll(/<text[^>]*>([^<]*)<\/text>/g)].map((m) => m[1]).join();
let sim = start(bridgeSim, ["--port", "48187"]);  // one simulator for the deck-host tests
await until("the simulator", () => sim.output().includes("listening"), 5000);
// A request's status, with headers and a path that fetch() would not send as given (Host, "..").
const ask = (method, url, headers = {}, path = new URL(url).pathname + new URL(url).search) =>
  new Promise((ok, fail) => request(url, { method, headers, path }, (r) => ok(r.resume().statusCode)).on("error", fail).end());
const post = (url, headers) => ask("POST", url, headers);
const simStatus = async () => (await fetch("http://127.0.0.1:48187/status")).json();
const stripSeconds = (value) => { const m = /^(\d+):(\d\d) \//.exec(value); return m ? Number(m[1]) * 60 + Number(m[2]) : NaN; };

test("the page's keys and dials follow the simulator, and other sites are refused", async (t) => {
  const host = start(deckHost, ["--plugin", plugin]);
  const base = await until("the page address", () => host.output().match(/open (http:\/\/127\.0\.0\.1:\d+\/)/)?.[1], 5000);
  const state = async () => (await fetch(base + "state.json")).json();
  const keys = async () => (await state()).keys;
  const key = async (name) => (await keys()).find((k) => k.name === name);
  await until("nine pictures", async () => (await keys()).filter((k) => k.image.startsWith("data:image/")).length === 9, 5000);
  await until("four strips", async () => (await state()).dials.filter((d) => d.feedbackCount > 0 && d.icon.startsWith("data:image/")).length === 4, 5000);
  const [playPause, runtime, dial] = [await key("playpause"), await key("runtime"), (await state()).dials[1]];
  assert.ok(symbols(playPause).includes("\u25B6"));
  for (const [headers, context, code] of [[{ Origin: "http://evil.example" }, playPause.context, 403], [{ Host: "evil.example:" + new URL(base).port }, playPause.context, 403], [{}, "nope", 404]])
    assert.equal(await post(base + "press?context=" + context, headers), code, JSON.stringify(headers));

  let page;  // a control is clicked on the page when there is a browser, else posted to its route
  const use = async (selector, route) => page ? page.locator(selector).click() : assert.equal(await post(base + route), 200);

  page = await newPage();
  if (page) {
    await page.goto(base);
    const buttons = page.locator("button.key");
    await until("nine keys with pictures", async () => (await page.locator("button.key img[src^='data:image/']").count()) === 9, 10000);
    for (let i = 0; i < 9; ++i) assert.ok(await buttons.nth(i).isVisible(), "key " + i + " is visible");
    for (let i = 0; i < 4; ++i) assert.ok(await page.locator("button.segment").nth(i).isVisible(), "strip " + i + " is visible");
  } else {
    t.diagnostic("no playwright-core or " + chromiumPath + " (scripts/install-deps browser): controls used without the page");
  }
  await use("button.key[data-action='playpause']", "press?context=" + playPause.context);
  if (page) await until("the page's picture to change", async () => (await page.locator("button.key[data-action='playpause'] img").getAttribute("src")) !== playPause.image, 3000);
  await until("the simulator to play", async () => (await simStatus()).playbackState === "playing", 2000);
  await until("the pause symbol", async () => symbols(await key("playpause")).includes("\u275A\u275A"), 2000);
  assert.equal((await key("playpause")).markCount, 1);  // the refused presses pressed nothing
  await until("the runtime to advance", async () => symbols(await key("runtime")) !== symbols(runtime), 3000);

  await use("button.key[data-action='playpause']", "press?context=" + playPause.context);
  await until("the simulator to pause", async () => (await simStatus()).playbackState === "paused", 2000);
  const from = (await simStatus()).currentTime, turn = "dial?context=" + dial.context + "&do=";
  for (const [headers, route, code] of [[{ Origin: "http://evil.example" }, turn + "right", 403], [{}, turn + "spin", 400], [{}, "dial?context=nope&do=right", 404]])
    assert.equal(await post(base + route, headers), code, route + JSON.stringify(headers));
  for (let i = 0; i < 3; ++i) await use(".dial[data-column='1'] button[data-do='right']", turn + "right");
  const strip = async () => (await state()).dials[1].value;
  await until("the strip to move 30 s", async () => Math.abs(stripSeconds(await strip()) - (from + 30)) <= 1, 3000);
  assert.ok(Math.abs((await simStatus()).currentTime - (from + 30)) < 0.01, "exactly three turns reached the simulator");
  if (page) {
    await until("the page's strip", async () => (await page.locator(".dial[data-column='1'] .value").textContent()) === await strip(), 2000);
    await page.screenshot({ path: join(artifactDir, "deck-page.png"), fullPage: true });
  }
  host.child.kill("SIGTERM");
  assert.equal(await exited(host.child), 0);
});

test("--snapshot writes nine pictures and a summary with the strips", async () => {
  const dir = join(artifactDir, "deck-snapshot");
  rmSync(dir, { recursive: true, force: true });
  const warning = { warnSeconds: 3600 };  // longer than the simulator's clip
  assert.equal(await exited(start(deckHost, ["--plugin", plugin, "--settings", "runtime=" + JSON.stringify(warning), "--snapshot", dir, "--seconds", "3"]).child), 0);
  const summary = JSON.parse(readFileSync(join(dir, "summary.json"), "utf8"));
  assert.deepEqual(summary.keys.find((k) => k.name === "runtime").settings, warning);
  assert.ok(readFileSync(join(dir, "runtime.svg"), "utf8").includes("#ff3030"), "the runtime key in its warning colour");
  assert.deepEqual(summary.keys.map((k) => Boolean(k.file) && k.imageCount >= 1), Array(9).fill(true));
  assert.deepEqual(summary.dials.map((d) => d.feedbackCount >= 1 && /\d:\d\d \/|--:--/.test(d.value)), Array(4).fill(true));
  assert.equal(readdirSync(dir).filter((f) => /\.(svg|png)$/.test(f)).length, 9);
});

test("the runtime key's property inspector sets its clock and tells how the bridge answers", async (t) => {
  const page = await newPage();
  if (!page) return t.skip("no playwright-core or " + chromiumPath + " (scripts/install-deps browser)");
  const host = start(deckHost, ["--plugin", plugin]);
  const base = await until("the page address", () => host.output().match(/open (http:\/\/127\.0\.0\.1:\d+\/)/)?.[1], 5000);
  const inspectorPath = "pi/ui/property-inspector.html";
  const outside = ["pi/../CMakeCache.txt", "pi/%2e%2e/CMakeCache.txt"];  // beside the bundle, in the build tree
  for (const [headers, path, code] of [[{}, inspectorPath, 200], [{ Origin: "http://evil.example" }, inspectorPath, 403], ...outside.map((p) => [{}, p, 403])])
    assert.equal(await ask("GET", base, headers, "/" + path), code, path + JSON.stringify(headers));
  const runtime = async () => (await (await fetch(base + "state.json")).json()).keys.find((k) => k.name === "runtime");
  await page.goto(base + "?lang=de");
  await until("the runtime key's picture", async () => (await runtime()).image.startsWith("data:image/"), 5000);
  await page.locator("#selecting").click();
  await page.locator("button.key[data-action='runtime']").click();
  const inspector = page.frameLocator("#inspectorFrame");
  const line = inspector.locator("#connection");
  await until("the connection line", async () => (await line.getAttribute("data-bridge")) === "ok", 5000);
  assert.equal(await inspector.locator("#checkNow").textContent(), "Jetzt prüfen");

  await inspector.locator("#time").selectOption("remaining");
  await until("the time left", async () => symbols(await runtime()).split(",").some((text) => /^-\d+:\d\d$/.test(text)), 3000);
  await inspector.locator("#warnSeconds").fill("3600");
  await inspector.locator("#warnSeconds").blur();
  await until("the warning colour", async () => picture(await runtime()).includes("#ff3030"), 3000);
  assert.deepEqual((await runtime()).settings, { time: "remaining", warnSeconds: 3600, flash: false, label: "runtime" });

  sim.child.kill("SIGTERM");
  await exited(sim.child);
  await until("a refused bridge", async () => (await line.getAttribute("data-bridge")) === "refused", 5000);
  assert.match(await line.textContent(), /127\.0\.0\.1:48187/);
  sim = start(bridgeSim, ["--port", "48187"]);
  await until("the simulator again", () => sim.output().includes("listening"), 5000);
  await inspector.locator("#checkNow").click();
  await until("the bridge back", async () => (await line.getAttribute("data-bridge")) === "ok", 3000);
  await page.screenshot({ path: join(artifactDir, "property-inspector.png"), fullPage: true });
  host.child.kill("SIGTERM");
  assert.equal(await exited(host.child), 0);
});
