#include "deck_host.hpp"

namespace vantry::deck {

const char* const deckPageHTML = R"PAGE(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Vantry Pro virtual deck</title>
<style>
  body { margin: 0; padding: 24px; background: #1b1b1b; color: #ddd; font: 14px Arial, Helvetica, sans-serif; }
  h1 { font-size: 18px; margin: 0 0 6px; }
  #status { margin: 0 0 18px; color: #aaa; }
  #status.down { color: #ff8a65; }
  #deck { display: grid; gap: 14px; padding: 18px; background: #0c0c0c; border-radius: 18px; width: max-content; }
  .key { position: relative; width: 144px; height: 144px; border-radius: 18px; background: #222; cursor: pointer;
         overflow: hidden; border: 0; padding: 0; }
  .key:active { transform: scale(0.96); }
  .key img { width: 144px; height: 144px; display: block; }
  .key .title { position: absolute; left: 0; right: 0; bottom: 8px; text-align: center; color: #fff;
                font-weight: bold; text-shadow: 0 0 3px #000; pointer-events: none; }
  .key .mark { position: absolute; inset: 0; display: none; align-items: center; justify-content: center;
               font-size: 84px; font-weight: bold; pointer-events: none; background: rgba(0,0,0,0.55); }
  .key .mark.ok { display: flex; color: #4caf50; }
  .key .mark.alert { display: flex; color: #ffc107; }
  .key .empty { width: 144px; height: 144px; display: flex; align-items: center; justify-content: center; color: #666; }
</style>
</head>
<body>
<h1>Vantry Pro virtual deck</h1>
<p id="status">connecting…</p>
<div id="deck"></div>
<script>
"use strict";
const deck = document.getElementById("deck");
const status = document.getElementById("status");
const keys = new Map();  // context -> {element, img, title, mark, timer}

function keyElement(key) {
  let entry = keys.get(key.context);
  if (entry) return entry;
  const element = document.createElement("button");
  element.className = "key";
  element.dataset.context = key.context;
  element.dataset.action = key.name;
  element.title = key.action;
  element.style.gridColumn = String(key.column + 1);
  element.style.gridRow = String(key.row + 1);
  const img = document.createElement("img");
  img.alt = key.name;
  const title = document.createElement("div");
  title.className = "title";
  const mark = document.createElement("div");
  mark.className = "mark";
  element.append(img, title, mark);
  element.addEventListener("click", () => {
    fetch("/press?context=" + encodeURIComponent(key.context), {method: "POST"}).catch(() => {});
  });
  deck.append(element);
  entry = {element, img, title, mark, timer: 0};
  keys.set(key.context, entry);
  return entry;
}

function showKey(key) {
  const entry = keyElement(key);
  if (key.image && entry.img.getAttribute("src") !== key.image) entry.img.src = key.image;
  entry.img.style.visibility = key.image ? "visible" : "hidden";
  entry.element.dataset.imageCount = String(key.imageCount);
  entry.title.textContent = key.title || "";
}

function showMark(context, kind) {
  const entry = keys.get(context);
  if (!entry) return;
  clearTimeout(entry.timer);
  entry.mark.className = "mark " + kind;
  entry.mark.textContent = kind === "ok" ? "\u2714" : "\u26A0";
  entry.element.dataset.mark = kind;
  entry.timer = setTimeout(() => { entry.mark.className = "mark"; delete entry.element.dataset.mark; }, 1500);
}

function showState(state) {
  deck.style.gridTemplateColumns = "repeat(" + state.device.columns + ", 144px)";
  for (const key of state.keys) showKey(key);
  const plugin = state.plugin;
  status.textContent = (plugin.connected ? "plugin connected" : "waiting for the plugin") +
      " \u2014 " + state.device.name + ", launches: " + plugin.launches;
  status.className = plugin.connected ? "" : "down";
}

function connect() {
  const live = new WebSocket("ws://" + location.host + "/live");
  live.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.type === "state") showState(message.state);
    else if (message.type === "key") showKey(message.key);
    else if (message.type === "mark") showMark(message.context, message.mark);
  };
  live.onclose = () => {
    status.textContent = "the deck host is gone; trying again…";
    status.className = "down";
    setTimeout(connect, 1000);
  };
}
connect();
</script>
</body>
</html>
)PAGE";

}  // namespace vantry::deck
