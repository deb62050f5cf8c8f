// The deck page in headless Chromium, with deck-host, the real plugin and the bridge simulator on
// 48187: the nine keys show, a click on play/pause changes its picture, and a screenshot is kept.
// Usage: node deck-page.test.mjs <deck-host> <vantry-bridge-sim> <plugin> <artifact dir>
import { test, after } from "node:test";
import assert from "node:assert/strict";
import { start, killAll, until } from "../process_test_support.mjs";
import { existsSync, mkdirSync } from "node:fs";
import { join } from "node:path";

const [deckHost, bridgeSim, plugin, artifactDir] = process.argv.slice(2);
const chromiumPath = "/usr/bin/chromium";
let browser;
after(async () => {
  if (browser) await browser.close();
  killAll();
});

test("the page shows the nine keys and a click drives the simulated application", async (t) => {
  let chromium;
  try {
    ({ chromium } = await import("playwright-core"));
  } catch {
    return t.skip("playwright-core is not installed: run tools/setup-test-deps");
  }
  if (!existsSync(chromiumPath)) return t.skip("no " + chromiumPath + ": run tools/setup-test-deps");

  const sim = start(bridgeSim, ["--port", "48187"]);
  await until("the simulator", () => sim.output().includes("listening"), 5000);
  const host = start(deckHost, ["--plugin", plugin]);
  const base = await until("the page address", () => host.output().match(/open (http:\/\/127\.0\.0\.1:\d+\/)/)?.[1], 5000);

  browser = await chromium.launch({
    executablePath: chromiumPath,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });  // a new, empty profile of its own
  const page = await browser.newPage();
  await page.goto(base);

  const keys = page.locator("button.key");
  await until("nine keys with pictures", async () =>
    (await keys.count()) === 9 &&
    (await page.locator("button.key img[src^='data:image/']").count()) === 9, 10000);
  for (let i = 0; i < 9; ++i) assert.ok(await keys.nth(i).isVisible(), "key " + i + " is visible");

  const playPause = page.locator("button.key[data-action='playpause'] img");
  const before = await playPause.getAttribute("src");
  await page.locator("button.key[data-action='playpause']").click();
  await until("the play/pause picture to change", async () => (await playPause.getAttribute("src")) !== before, 3000);
  await until("the simulator to play", async () =>
    (await (await fetch("http://127.0.0.1:48187/status")).json()).playbackState === "playing", 2000);

  mkdirSync(artifactDir, { recursive: true });
  const shot = join(artifactDir, "deck-page.png");
  await page.screenshot({ path: shot, fullPage: true });
  assert.ok(existsSync(shot));
  console.log("screenshot: " + shot);

  host.child.kill("SIGTERM");
  sim.child.kill("SIGTERM");
});
