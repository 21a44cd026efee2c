// Reference pictures from a second, independent player: each movie played by Ruffle (npm
// @ruffle-rs/ruffle) in Debian's headless Chromium (driven by npm puppeteer-core), its first frame saved
// as a PNG at the stage's size beside the movie. Only Ruffle's public embedding interface is used.
//
//   node ruffle_pictures.js NODE_MODULES CHROMIUM movie.swf...
const fs = require("fs");
const http = require("http");
const path = require("path");
const zlib = require("zlib");

const [modules, chromium, ...movies] = process.argv.slice(2);
const puppeteer = require(path.join(modules, "puppeteer-core"));
const ruffleDir = path.join(modules, "@ruffle-rs/ruffle");

// The stage's size in pixels from the header's frame rectangle.
function stageSize(file) {
  let data = fs.readFileSync(file);
  if (data.toString("latin1", 0, 3) === "CWS") data = Buffer.concat([data.subarray(0, 8), zlib.inflateSync(data.subarray(8))]);
  const bits = data[8] >> 3;
  let bit = 5;
  const read = () => {
    let v = 0;
    for (let i = 0; i < bits; ++i, ++bit) v = (v << 1) | ((data[8 + (bit >> 3)] >> (7 - (bit & 7))) & 1);
    return v >= 1 << (bits - 1) ? v - (1 << bits) : v;
  };
  const x0 = read(), x1 = read(), y0 = read(), y1 = read();
  return { width: Math.round((x1 - x0) / 20), height: Math.round((y1 - y0) / 20) };
}

const page = (movie, size) => `<!doctype html><html><head><style>html,body{margin:0;padding:0;overflow:hidden}
#p{width:${size.width}px;height:${size.height}px}</style></head><body><div id="p"></div>
<script>window.RufflePlayer = {config: {autoplay: "on", unmuteOverlay: "hidden", splashScreen: false,
  contextMenu: "off", letterbox: "off", warnOnUnsupportedContent: false, preloader: false, quality: "high",
  allowScriptAccess: false, logLevel: "error"}};</script>
<script src="/ruffle/ruffle.js"></script>
<script>window.addEventListener("load", () => {
  const player = window.RufflePlayer.newest().createPlayer();
  player.style.width = "${size.width}px"; player.style.height = "${size.height}px";
  document.getElementById("p").appendChild(player);
  player.load("/movie/${path.basename(movie)}").then(() => { window.loaded = true; });
});</script></body></html>`;

(async () => {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(req.url.split("?")[0]);
    let file = null, type = "application/octet-stream";
    if (url.startsWith("/ruffle/")) file = path.join(ruffleDir, url.slice(8));
    else if (url.startsWith("/movie/")) file = path.join(path.dirname(movies[0]), url.slice(7));
    if (file && file.endsWith(".js")) type = "text/javascript";
    if (file && file.endsWith(".wasm")) type = "application/wasm";
    if (url.startsWith("/page/")) {
      const movie = movies.find((m) => path.basename(m) === url.slice(6));
      res.writeHead(200, { "Content-Type": "text/html" });
      return res.end(page(movie, stageSize(movie)));
    }
    if (!file || !fs.existsSync(file)) { res.writeHead(404); return res.end(); }
    res.writeHead(200, { "Content-Type": type });
    res.end(fs.readFileSync(file));
  });
  await new Promise((r) => server.listen(0, "127.0.0.1", r));
  const port = server.address().port;
  const browser = await puppeteer.launch({ executablePath: chromium, headless: true,
    args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--force-device-scale-factor=1"] });
  for (const movie of movies) {
    const size = stageSize(movie);
    const tab = await browser.newPage();
    await tab.setViewport({ width: size.width, height: size.height, deviceScaleFactor: 1 });
    await tab.goto(`http://127.0.0.1:${port}/page/${path.basename(movie)}`);
    await tab.waitForFunction("window.loaded === true", { timeout: 60000 });
    await new Promise((r) => setTimeout(r, 3000));
    const out = movie.replace(/\.swf$/, ".png");
    await tab.screenshot({ path: out, clip: { x: 0, y: 0, width: size.width, height: size.height } });
    console.log(`${out}: ${size.width} x ${size.height}`);
    await tab.close();
  }
  await browser.close();
  server.close();
})().catch((e) => { console.error(e); process.exit(1); });
