// What the tools' node tests share: starting a tool with its output kept, ending whatever was
// started, waiting for a condition with a deadline, and for a child's exit status.
import { spawn } from "node:child_process";

const children = [];

export function start(program, args) {
  const child = spawn(program, args, { stdio: ["ignore", "pipe", "inherit"] });
  children.push(child);
  let out = "";
  child.stdout.on("data", (d) => { out += d; });
  return { child, output: () => out };
}

export function killAll() {
  for (const c of children) if (c.exitCode === null) c.kill("SIGKILL");
}

export const exited = (child) =>
  child.exitCode !== null ? Promise.resolve(child.exitCode) : new Promise((r) => child.on("exit", (code) => r(code)));

export async function until(what, check, ms) {
  const deadline = Date.now() + ms;
  for (;;) {
    try { const v = await check(); if (v) return v; } catch {}
    if (Date.now() > deadline) throw new Error("timed out waiting for " + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}
