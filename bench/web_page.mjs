// Frames per second of a demo's page in headless Chromium (software WebGL 2
// through SwiftShader), playing at 640x360; run by bench/web_page.sh:
//   node web_page.mjs PAGE.html SECONDS
// Prints one line: "page: F frames per second (N frames in S s)".
import { pathToFileURL } from "node:url";
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const { chromium } = require("playwright-core");
const [pagePath, secondsText] = process.argv.slice(2);
const seconds = Number(secondsText || 10);

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  args: ["--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
    "--allow-file-access-from-files", "--autoplay-policy=no-user-gesture-required", "--mute-audio"],
});
const page = await browser.newPage({ viewport: { width: 640, height: 360 }, deviceScaleFactor: 1 });
await page.goto(`${pathToFileURL(pagePath).href}?play`);
await page.waitForFunction(() => / · row \d+$/.test(document.title), null, { timeout: 60000 });
await page.waitForTimeout(2000); // past the first frames' shader warm-up
// The page's frames are its animation frames: count them for the time given.
const frames = await page.evaluate((milliseconds) => new Promise((resolve) => {
  let count = 0;
  const started = performance.now();
  function tick(now) {
    ++count;
    if (now - started < milliseconds) requestAnimationFrame(tick);
    else resolve(count);
  }
  requestAnimationFrame(tick);
}), seconds * 1000);
console.log(`page: ${(frames / seconds).toFixed(1)} frames per second (${frames} frames in ${seconds} s)`);
await browser.close();
