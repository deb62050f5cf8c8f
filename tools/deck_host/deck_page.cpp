#include "deck_routes.hpp"

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
  #deck { display: flex; flex-direction: column; align-items: center; gap: 22px; padding: 18px; background: #0c0c0c;
          border-radius: 18px; width: max-content; }
  #keys { display: grid; gap: 14px; }
  #dials { display: grid; grid-template-columns: repeat(4, 200px); gap: 10px 2px; }
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
  /* A dial's 200x100 strip segment, laid out as the host's $B1 layout. */
  .segment { position: relative; width: 200px; height: 100px; padding: 0; border: 0; background: #000; color: #fff;
             font: 600 16px Arial, Helvetica, sans-serif; cursor: pointer; overflow: hidden; }
  .segment > * { position: absolute; pointer-events: none; white-space: nowrap; }
  .segment .title { left: 16px; top: 10px; width: 136px; text-align: left; overflow: hidden; }
  .segment img { left: 16px; top: 40px; width: 48px; height: 48px; }
  .segment .value { right: 16px; top: 46px; }
  .segment .bar { left: 76px; top: 80px; width: 108px; height: 8px; border-radius: 4px; background: #444; overflow: hidden; }
  .segment .bar span { position: absolute; left: 0; top: 0; bottom: 0; background: #fff; }
  .segment .mark { inset: 0; display: none; align-items: center; justify-content: center; font-size: 56px;
                   background: rgba(0,0,0,0.55); color: #ffc107; }
  .segment .mark.alert { display: flex; }
  .knob { display: flex; justify-content: center; align-items: center; gap: 10px; }
  .knob button { width: 40px; height: 32px; border: 0; border-radius: 8px; background: #333; color: #ddd; font-size: 18px; cursor: pointer; }
  .knob button.push { width: 52px; height: 52px; border-radius: 50%; background: radial-gradient(#555, #222); }
</style>
</head>
<body>
<h1>Vantry Pro virtual deck</h1>
<p id="status">connecting…</p>
<div id="deck"><div id="keys"></div><div id="dials"></div></div>
<script>
"use strict";
const deck = document.getElementById("keys");
const dialRow = document.getElementById("dials");
const status = document.getElementById("status");
const keys = new Map();  // context -> {element, img, title, mark, timer}
const dials = new Map();  // context -> {element, img, title, value, bar, mark, timer}

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

function dialElement(dial) {
  let entry = dials.get(dial.context);
  if (entry) return entry;
  const element = document.createElement("div");
  element.className = "dial";
  element.dataset.context = dial.context;
  element.dataset.column = String(dial.column);
  element.style.gridColumn = String(dial.column + 1);
  element.innerHTML = '<button class="segment" data-do="touch" title="touch"><span class="title"></span><img alt="">' +
      '<span class="value"></span><span class="bar"><span></span></span><span class="mark"></span></button>' +
      '<div class="knob"><button data-do="left" title="rotate left">\u27F2</button>' +
      '<button class="push" data-do="push" title="push"></button><button data-do="right" title="rotate right">\u27F3</button></div>';
  element.addEventListener("click", (event) => {
    const control = event.target.closest("button[data-do]");
    if (!control) return;
    let query = "/dial?context=" + encodeURIComponent(dial.context) + "&do=" + control.dataset.do;
    if (control.dataset.do === "touch") {  // where on the strip segment it was tapped
      const box = control.getBoundingClientRect();
      query += "&x=" + Math.round(event.clientX - box.left) + "&y=" + Math.round(event.clientY - box.top);
    }
    fetch(query, {method: "POST"}).catch(() => {});
  });
  dialRow.append(element);
  const part = (selector) => element.querySelector(selector);
  entry = {element: part(".segment"), img: part("img"), title: part(".title"), value: part(".value"),
           bar: part(".bar span"), mark: part(".mark"), timer: 0};
  dials.set(dial.context, entry);
  return entry;
}

function showDial(dial) {
  const entry = dialElement(dial);
  const icon = dial.icon.startsWith("data:image/") ? dial.icon : "";
  if (icon && entry.img.getAttribute("src") !== icon) entry.img.src = icon;
  entry.img.style.visibility = icon ? "visible" : "hidden";
  entry.title.textContent = dial.title;
  entry.value.textContent = dial.value;
  entry.bar.style.width = dial.indicator + "%";
  entry.element.dataset.feedbackCount = String(dial.feedbackCount);
}

function showMark(context, kind) {
  const entry = keys.get(context) || dials.get(context);
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
  for (const dial of state.dials) showDial(dial);
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
    else if (message.type === "dial") showDial(message.dial);
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
