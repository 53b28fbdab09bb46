// Opens album pages in headless Chromium as a reader would and reports what
// it loaded: a screenshot per page and width, and for every picture on the
// page the file the browser chose (currentSrc) and its natural size.
//
//   node --experimental-websocket tools/look_at_pages.mjs OUTDIR PAGE.html... \
//       [--widths 390,1440] [--scale 1,2]
//
// Needs Chromium (`chromium` on the PATH, or CHROMIUM=path) and Node.js 20.10
// or later; nothing from npm.
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, existsSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve, basename } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";

const args = process.argv.slice(2);
const option = (name, fallback) => {
  const at = args.indexOf(name);
  if (at < 0) return fallback;
  const [value] = args.splice(at, 2).slice(1);
  return value.split(",").map(Number);
};
const widths = option("--widths", [390, 1440]);
const scales = option("--scale", [1, 2]);
const [outDir, ...pages] = args;
if (!outDir || pages.length === 0) {
  console.error("usage: look_at_pages.mjs OUTDIR PAGE.html... [--widths 390,1440] [--scale 1,2]");
  process.exit(2);
}

const profile = mkdtempSync(join(tmpdir(), "quorvane-look-"));
const chromium = process.env.CHROMIUM || "chromium";
const browser = spawn(chromium,
  ["--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-port=0",
   `--user-data-dir=${profile}`, "--allow-file-access-from-files", "about:blank"],
  { stdio: "ignore" });
const portFile = join(profile, "DevToolsActivePort");
for (let i = 0; i < 100 && !existsSync(portFile); i++) await sleep(100);
const [port, path] = readFileSync(portFile, "utf8").split("\n");
const socket = new WebSocket(`ws://127.0.0.1:${port}${path}`);
await new Promise((done, fail) => { socket.onopen = done; socket.onerror = fail; });

let next = 0;
const waiting = new Map();
const listeners = [];
socket.onmessage = ({ data }) => {
  const message = JSON.parse(data);
  if (message.id && waiting.has(message.id)) {
    const { done, fail } = waiting.get(message.id);
    waiting.delete(message.id);
    message.error ? fail(new Error(message.error.message)) : done(message.result);
  } else {
    listeners.forEach((listen) => listen(message));
  }
};
const send = (method, params = {}, sessionId) => new Promise((done, fail) => {
  const id = ++next;
  waiting.set(id, { done, fail });
  socket.send(JSON.stringify({ id, method, params, sessionId }));
});

const { targetId } = await send("Target.createTarget", { url: "about:blank" });
const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
const call = (method, params) => send(method, params, sessionId);
await call("Page.enable");
await call("Network.enable");
const requested = [];
listeners.push((m) => {
  if (m.method === "Network.requestWillBeSent" && m.sessionId === sessionId) requested.push(m.params.request.url);
});

// Lazy pictures are made eager: which file srcset picks does not depend on
// when it loads.
const pictures = `(async () => {
  const images = [...document.images];
  images.forEach((img) => { img.loading = "eager"; });
  await Promise.all(images.map((img) => img.complete ? null :
    new Promise((r) => { img.addEventListener("load", r); img.addEventListener("error", r); setTimeout(r, 5000); })));
  return JSON.stringify(images.map((img) => ({
    src: decodeURIComponent(img.currentSrc.split("/").pop()),
    natural: img.naturalWidth + "x" + img.naturalHeight, shown: img.width + "x" + img.height })));
})()`;

// Screenshots come from a browser of their own: over the debugging
// connection, Chromium 156 at times never answers a screenshot request.
function screenshot(page, width, scale, file) {
  const shot = spawnSync(chromium, ["--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
    `--window-size=${width},${width < 800 ? 844 : 900}`, `--force-device-scale-factor=${scale}`,
    `--screenshot=${resolve(file)}`, "file://" + resolve(page)], { stdio: "ignore", timeout: 60000 });
  if (shot.status !== 0) console.log(`  no screenshot (${shot.error ?? "exit " + shot.status})`);
}

for (const page of pages) {
  for (const width of widths) {
    for (const scale of scales) {
      await call("Emulation.setDeviceMetricsOverride",
        { width, height: width < 800 ? 844 : 900, deviceScaleFactor: scale, mobile: width < 800 });
      requested.length = 0;
      await call("Page.navigate", { url: "file://" + resolve(page) });
      await sleep(800);
      const { result } = await call("Runtime.evaluate", { expression: pictures, awaitPromise: true });
      const name = `${basename(resolve(page, "..")).replace(/\W/g, "_")}-${basename(page, ".html").replace(/\W/g, "_")}-${width}-x${scale}.png`;
      screenshot(page, width, scale, join(outDir, name));
      console.log(`${page} at ${width} px, scale ${scale}: ${name}`);
      for (const img of JSON.parse(result.value)) console.log(`  ${img.src}  ${img.natural} shown ${img.shown}`);
      const broken = JSON.parse(result.value).filter((img) => img.natural === "0x0");
      if (broken.length) console.log(`  ${broken.length} picture(s) did not load`);
    }
  }
}
socket.close();
const closed = new Promise((done) => browser.once("exit", done));
browser.kill();
await closed;
rmSync(profile, { recursive: true, force: true });
