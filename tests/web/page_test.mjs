// The demo's page in headless Chromium (driven by playwright-core), against
// the native player: scripts/test-web prepares the page and the native
// frames, then runs this with
//   node page_test.mjs PAGE.html NATIVE_DIR ROW...
// where NATIVE_DIR/row-ROW.png is the native export of each ROW at 640x360.
// With KEYBOARD_PAGE naming the page of a demo that shows the keyboard
// channel (red while W is held, green once W toggled on), the keys are
// checked there too.
// Each check prints "ok: ..." or "FAIL: ..." (why, with the figures); the
// exit status is the number of failures.
import { createServer } from "node:http";
import { readFileSync } from "node:fs";
import { basename, dirname, join } from "node:path";
import { inflateSync } from "node:zlib";
import { pathToFileURL } from "node:url";
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const { chromium } = require("playwright-core");

const [pagePath, nativeDir, ...rows] = process.argv.slice(2);
const width = 640, height = 360;
let failures = 0;
function check(ok, what, why) {
  console.log(ok ? `ok: ${what}` : `FAIL: ${what}: ${why}`);
  if (!ok) ++failures;
}

// The pixels of an 8-bit, non-interlaced RGB or RGBA PNG, as RGB.
function decodePng(bytes) {
  let at = 8, idat = [], w = 0, h = 0, channels = 0;
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), type = bytes.toString("ascii", at + 4, at + 8);
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      w = data.readUInt32BE(0); h = data.readUInt32BE(4);
      if (data[8] !== 8 || data[12] !== 0 || (data[9] !== 2 && data[9] !== 6))
        throw new Error("PNG form not read here (8-bit RGB or RGBA, not interlaced)");
      channels = data[9] === 6 ? 4 : 3;
    } else if (type === "IDAT") idat.push(data);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat)), stride = w * channels;
  const pixels = Buffer.alloc(w * h * 3), line = Buffer.alloc(stride), previous = Buffer.alloc(stride);
  for (let y = 0; y < h; ++y) {
    const filter = raw[y * (stride + 1)], src = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0, b = previous[i], c = i >= channels ? previous[i - channels] : 0;
      let p = 0;
      if (filter === 1) p = a; else if (filter === 2) p = b; else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[i] = (src[i] + p) & 255;
    }
    for (let x = 0; x < w; ++x)
      for (let k = 0; k < 3; ++k) pixels[(y * w + x) * 3 + k] = line[x * channels + k];
    line.copy(previous);
  }
  return { w, h, pixels };
}

// Mean absolute difference of two pictures, 0..1 per channel.
function meanDifference(one, other) {
  if (one.w !== other.w || one.h !== other.h) return Infinity;
  let sum = 0;
  for (let i = 0; i < one.pixels.length; ++i) sum += Math.abs(one.pixels[i] - other.pixels[i]);
  return sum / one.pixels.length / 255;
}

// The row in the page's title ("NAME · row N"), or null.
async function titleRow(page) {
  const found = /· row (\d+)$/.exec(await page.title());
  return found ? Number(found[1]) : null;
}

async function waitForRow(page, wanted) {
  await page.waitForFunction((row) => document.title.endsWith(`· row ${row}`), wanted, { timeout: 60000 });
}

// A static server of the page's folder on 127.0.0.1, as a viewer's web host.
function serve(folder) {
  const server = createServer((request, response) => {
    try {
      const body = readFileSync(join(folder, basename(new URL(request.url, "http://x").pathname)));
      response.writeHead(200, { "Content-Type": "text/html; charset=utf-8" });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  args: ["--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
    "--allow-file-access-from-files", "--autoplay-policy=no-user-gesture-required", "--mute-audio"],
});
const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: 1 });
const fileUrl = pathToFileURL(pagePath).href;
const server = await serve(dirname(pagePath));
try {
  // Where the page comes from: a file, and a web server.
  for (const [where, url] of [["file://", fileUrl], ["a server on 127.0.0.1", `http://127.0.0.1:${server.address().port}/${basename(pagePath)}`]]) {
    const page = await context.newPage();
    try {
      await page.goto(`${url}?row=0&paused`);
      await waitForRow(page, 0);
      check(true, `the page starts from ${where}`);
    } catch (error) {
      check(false, `the page starts from ${where}`, `${error.message.split("\n")[0]}; title "${await page.title()}"`);
    }
    await page.close();
  }

  // The picture at a paused row, against the native export of that row.
  for (const row of rows.map(Number)) {
    const page = await context.newPage();
    await page.goto(`${fileUrl}?row=${row}&paused`);
    await waitForRow(page, row);
    await page.waitForTimeout(500); // a few frames, so the spectrum's smoothing settles as the export's
    const shown = decodePng(await page.screenshot());
    const native = decodePng(readFileSync(join(nativeDir, `row-${row}.png`)));
    const difference = meanDifference(shown, native);
    check(difference < 0.05, `row ${row} matches the native export (mean difference ${difference.toFixed(4)})`,
      `the difference is 0.05 or more`);
    await page.close();
  }

  // Playing: a click starts the music, and the row follows it.
  {
    const page = await context.newPage();
    await page.goto(fileUrl);
    await page.waitForFunction(() => / · row \d+$/.test(document.title), null, { timeout: 60000 });
    const coverShown = await page.isVisible("text=click to play");
    check(coverShown, "the page waits with \"click to play\"", "no such line is shown");
    const before = await titleRow(page);
    await page.waitForTimeout(1500);
    const waiting = await titleRow(page);
    await page.mouse.click(width / 2, height / 2);
    await page.waitForTimeout(4000);
    const after = await titleRow(page);
    check(waiting === before, "nothing plays before the click", `the row went from ${before} to ${waiting}`);
    check(after > before, `after the click the row advances with the music (${before} -> ${after} in about 4 s)`,
      "it did not advance");

    // The keys: space holds the music, d and a seek a step (0.62 s of the
    // example's 44.1 kHz stereo tune: 12 or 13 rows) forth and back.
    await page.keyboard.press(" ");
    await page.waitForTimeout(1000);
    const held = await titleRow(page);
    await page.waitForTimeout(1500);
    const stillHeld = await titleRow(page);
    check(stillHeld === held, "space holds the music and the row", `the row went from ${held} to ${stillHeld}`);
    const rowOtherThan = (row) =>
      page.waitForFunction((shown) => !document.title.endsWith(`· row ${shown}`), row, { timeout: 30000 });
    await page.keyboard.press("d");
    await rowOtherThan(held);
    const forwards = await titleRow(page);
    await page.keyboard.press("a");
    await rowOtherThan(forwards);
    const back = await titleRow(page);
    check(forwards - held >= 12 && forwards - held <= 13 && back === held,
      `d and a seek a step forth and back (${held} -> ${forwards} -> ${back})`, "not by one step each");
    await page.close();
  }

  // The keyboard channel: a key the player does not take, held and let go.
  if (process.env.KEYBOARD_PAGE) {
    const page = await context.newPage();
    await page.goto(`${pathToFileURL(process.env.KEYBOARD_PAGE).href}?row=0&paused`);
    await waitForRow(page, 0);
    // The mean colour of the page's picture, 0..255 per channel.
    const colour = async () => {
      const { pixels } = decodePng(await page.screenshot());
      const sums = [0, 0, 0];
      for (let i = 0; i < pixels.length; ++i) sums[i % 3] += pixels[i];
      return sums.map((sum) => Math.round(sum / (pixels.length / 3)));
    };
    const before = await colour();
    await page.keyboard.down("w");
    await page.waitForTimeout(300);
    const held = await colour();
    await page.keyboard.up("w");
    await page.waitForTimeout(300);
    const released = await colour();
    check(before[0] === 0 && before[1] === 0 && held[0] === 255 && held[1] === 255 && released[0] === 0 &&
      released[1] === 255, "W reaches the keyboard channel: held while down, toggled on after",
      `red and green were ${before.slice(0, 2)}, then ${held.slice(0, 2)} held, ${released.slice(0, 2)} released`);
    await page.close();
  }
} finally {
  server.close();
  await browser.close();
}

// A browser without WebGL 2 gets a line that says so.
{
  const bare = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--headless=new", "--no-sandbox", "--disable-3d-apis", "--allow-file-access-from-files"],
  });
  const page = await bare.newPage();
  await page.goto(`${fileUrl}?row=0&paused`);
  const said = await page.waitForSelector("text=needs a browser with WebGL 2", { timeout: 30000 }).then(() => true, () => false);
  check(said, "without WebGL 2 the page says so", `title "${await page.title()}"`);
  await bare.close();
}
process.exit(failures);
