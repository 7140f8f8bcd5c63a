// Goes through the front page as a person would, in Debian's chromium.
// Usage: node front.mjs BASE-URL SCREENSHOT-FOLDER
import { chromium } from "playwright-core";
import assert from "node:assert/strict";

const [base, shots] = process.argv.slice(2);
let passed = 0, failed = 0;
async function check(what, fn) {
  try {
    await fn();
    passed++;
  } catch (e) {
    failed++;
    console.error(`FAILED: ${what}: ${e.message}`);
  }
}

const browser = await chromium.launch({
  executablePath: "/usr/bin/chromium",
  args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-quic"],
});
const page = await browser.newPage({ viewport: { width: 1000, height: 800 } });

// Submits the form with the given id and waits for the answer.
async function submit(form) {
  await Promise.all([page.waitForNavigation(), page.click(`#${form} button[type=submit]`)]);
  return new URL(page.url()).search.slice(1);
}

// The answer is a rendered page (not mark-up shown as text) whose chart
// has loaded; the pixels the browser decoded are the chart's blue.
async function answerwithchart(width, shot) {
  assert.equal(await page.evaluate(() => document.contentType), "text/html");
  assert.equal(await page.locator("pre").count(), 0);
  const img = page.locator("center img");
  await img.waitFor();
  await page.waitForFunction(() => document.querySelector("center img").complete);
  const size = await img.evaluate((el) => [el.naturalWidth, el.naturalHeight]);
  assert.deepEqual(size, [width, 300]);
  const box = await img.boundingBox();
  assert.deepEqual([Math.round(box.width), Math.round(box.height)], [width, 300]);
  const rgb = await img.evaluate((el) => {
    const c = document.createElement("canvas");
    c.width = el.naturalWidth;
    c.height = el.naturalHeight;
    const g = c.getContext("2d");
    g.drawImage(el, 0, 0);
    return Array.from(g.getImageData(el.naturalWidth - 5, 5, 1, 1).data.slice(0, 3));
  });
  assert.deepEqual(rgb, [0, 0, 255]);
  await img.screenshot({ path: `${shots}/${shot}.png` });
}

await check("front page", async () => {
  await page.goto(base + "/");
  assert.equal(await page.title(), "VORN-NX channel report");
  await page.screenshot({ path: `${shots}/front.png`, fullPage: true });
});

await check("load chart with both switches", async () => {
  await page.goto(base + "/");
  assert.equal(await submit("load"), "action=rxloaddyn&vgrid=on&hgrid=on");
  await answerwithchart(750, "load");
});

await check("unticked switches send nothing", async () => {
  await page.goto(base + "/");
  await page.check("#load input[value=txloaddyn]");
  await page.uncheck("#load input[name=vgrid]");
  await page.uncheck("#load input[name=hgrid]");
  assert.equal(await submit("load"), "action=txloaddyn");
  await answerwithchart(750, "load-plain");
});

// The archived log is typed: any name the operator's rotation gives it.
await check("archived log", async () => {
  await page.goto(base + "/");
  await page.fill("#load input[name=logfile]", "vornout-prev.dat");
  assert.equal(await submit("load"), "action=rxloaddyn&vgrid=on&hgrid=on&logfile=vornout-prev.dat");
  assert.match(await page.textContent("body"), /Log file name: \.\.\/logs\/vornout-prev\.dat/);
  await answerwithchart(749, "archived");
});

await check("counters at a time of day, in the current and an archived log", async () => {
  await page.goto(base + "/");
  await page.fill("#time input[name=time]", "12:00");
  assert.equal(await submit("time"), "action=totalload&time=12%3A00");
  const counters = /Time: \w{3} \w{3} \d\d 1[12]:\d\d:\d\d \d{4}Rx Bytes: \d+Tx Bytes: \d+/;
  assert.match(await page.textContent("body"), counters);
  await page.screenshot({ path: `${shots}/time.png` });
  await page.goto(base + "/");
  await page.fill("#time input[name=time]", "12:00");
  await page.fill("#time input[name=logfile]", "vornout-prev.dat");
  assert.equal(await submit("time"), "action=totalload&time=12%3A00&logfile=vornout-prev.dat");
  const text = await page.textContent("body");
  assert.match(text, /Log file name: \.\.\/logs\/vornout-prev\.dat/);
  assert.match(text, counters);
});

// An empty "From" would ask for today, which shows nothing: the form will
// not go without one unless the summary starts at the log's first day.
await check("summary needs a From date unless all dates are ticked", async () => {
  await page.goto(base + "/");
  const valid = () => page.$eval("#summary", (f) => f.checkValidity());
  assert.equal(await valid(), false);
  await page.click("#summary button[type=submit]");
  await page.waitForTimeout(300);
  assert.equal(page.url(), base + "/");
  await page.check("#summary input[name=dates]");
  assert.equal(await valid(), true);
  await page.uncheck("#summary input[name=dates]");
  assert.equal(await valid(), false);
  await page.fill("#summary input[name=datefrom]", "1/2/2026");
  assert.equal(await valid(), false);
});

await check("daily summary from a date", async () => {
  await page.goto(base + "/");
  const d = new Date(Date.now() - 20 * 86400 * 1000);
  const two = (n) => String(n).padStart(2, "0");
  const from = `${two(d.getUTCDate())}/${two(d.getUTCMonth() + 1)}/${d.getUTCFullYear()}`;
  await page.fill("#summary input[name=datefrom]", from);
  await page.fill("#summary input[name=days]", "15");
  assert.equal(await submit("summary"),
               `action=sumtotalload&datefrom=${encodeURIComponent(from)}&days=15&hgrid=on`);
  assert.match(await page.textContent("body"), /Summary Statistics for 15 days since/);
  await answerwithchart(480, "summary-from");
});

await check("daily summary of all dates", async () => {
  await page.goto(base + "/");
  await page.fill("#summary input[name=days]", "30");
  await page.check("#summary input[name=dates]");
  assert.equal(await submit("summary"), "action=sumtotalload&days=30&dates=on&hgrid=on");
  assert.match(await page.textContent("body"), /Summary Statistics for 30 days/);
  await answerwithchart(930, "summary");
});

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
