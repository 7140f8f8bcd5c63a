// Goes through the front page as a person would, in Debian's chromium: each
// question's answer comes into the frame below the forms, following the
// channel redraws the chart, and the page works from the keyboard, on a
// phone's width and with scripts off.
// Usage: node front.mjs BASE-URL SCREENSHOT-FOLDER SITE-FOLDER GENLOG
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import { appendFileSync, readFileSync } from "node:fs";
import { execFileSync } from "node:child_process";

const [base, shots, site, genlog] = process.argv.slice(2);
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

// the scrollbars a desktop shows, which take room (headless hides them)
const browser = await chromium.launch({
  executablePath: "/usr/bin/chromium",
  ignoreDefaultArgs: ["--hide-scrollbars"],
  args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-quic"],
});
const desktop = { viewport: { width: 1280, height: 800 } };
const phone = { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true,
                deviceScaleFactor: 2 };

// every page of the run reports its console errors here; the program's
// own pages (the link opens one) name no icon, and the site has none for
// the browser's guess, /favicon.ico
const errors = [];
async function newpage(options) {
  const p = await (await browser.newContext(options)).newPage();
  p.on("console", (m) => {
    if (m.type() === "error" && new URL(m.location().url).pathname !== "/favicon.ico")
      errors.push(`${m.text()} (${m.location().url})`);
  });
  p.on("pageerror", (e) => errors.push(e.message));
  return p;
}
const page = await newpage(desktop);
const answer = (p = page) => p.frame({ name: "answer" });

// Submits the form with the given id and waits for its answer in the frame:
// the page itself stays, and with scripts on, focus moves to the answer.
async function submit(form, p = page, scripts = true) {
  const before = p.url();
  await Promise.all([answer(p).waitForNavigation(), p.click(`#${form} button[type=submit]`)]);
  assert.equal(p.url(), before);
  if (scripts)
    await p.waitForFunction(() => document.activeElement === document.getElementById("answer"));
  return new URL(answer(p).url()).search.slice(1);
}

// The chart in the frame has loaded at its size (natural and shown) and the
// browser decoded the chart's blue.
async function chartsize(width, p = page) {
  const img = answer(p).locator("center img");
  await answer(p).waitForFunction(() => document.querySelector("center img")?.complete);
  assert.deepEqual(await img.evaluate((el) => [el.naturalWidth, el.naturalHeight]), [width, 300]);
  const box = await img.boundingBox();
  assert.deepEqual([Math.round(box.width), Math.round(box.height)], [width, 300]);
  return img;
}

// The answer is a rendered page (not mark-up shown as text) whose chart has
// loaded; the frame is as high as the answer, and a chart wider than the
// frame never makes the page scroll sideways.
async function answerwithchart(width, shot, p = page) {
  const frame = answer(p);
  assert.equal(await frame.evaluate(() => document.contentType), "text/html");
  assert.equal(await frame.locator("pre").count(), 0);
  const img = await chartsize(width, p);
  const rgb = await img.evaluate((el) => {
    const c = document.createElement("canvas");
    c.width = el.naturalWidth;
    c.height = el.naturalHeight;
    const g = c.getContext("2d");
    g.drawImage(el, 0, 0);
    return Array.from(g.getImageData(el.naturalWidth - 5, 5, 1, 1).data.slice(0, 3));
  });
  assert.deepEqual(rgb, [0, 0, 255]);
  const [high, shown] = await frame.evaluate(() =>
    [document.scrollingElement.scrollHeight, document.scrollingElement.clientHeight]);
  assert.ok(high <= shown, `the answer is ${high} high in a frame showing ${shown}`);
  assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth),
            "the page scrolls sideways");
  if (shot)
    await img.screenshot({ path: `${shots}/${shot}.png` });
}

await check("front page", async () => {
  await page.goto(base + "/");
  assert.equal(await page.title(), "VORN-NX channel report");
  assert.equal(await page.getAttribute("iframe", "title"), "Answer");
  await page.screenshot({ path: `${shots}/front.png`, fullPage: true });
});

await check("load chart with both switches", async () => {
  await page.goto(base + "/");
  assert.equal(await submit("load"), "action=rxloaddyn&vgrid=on&hgrid=on");
  await answerwithchart(750, "load");
  await page.screenshot({ path: `${shots}/desktop.png`, fullPage: true });
});

await check("unticked switches send nothing, and the form keeps them", async () => {
  await page.goto(base + "/");
  await page.check("#load input[value=txloaddyn]");
  await page.uncheck("#load input[name=vgrid]");
  await page.uncheck("#load input[name=hgrid]");
  assert.equal(await submit("load"), "action=txloaddyn");
  await answerwithchart(750, "load-plain");
  assert.deepEqual(await page.$eval("#load", (f) =>
    [f.elements.action.value, f.elements.vgrid.checked, f.elements.hgrid.checked]),
    ["txloaddyn", false, false]);
});

// The archived log is typed: any name the operator's rotation gives it.
await check("archived log", async () => {
  await page.goto(base + "/");
  await page.fill("#load input[name=logfile]", "vornout-prev.dat");
  assert.equal(await submit("load"), "action=rxloaddyn&vgrid=on&hgrid=on&logfile=vornout-prev.dat");
  assert.match(await answer().textContent("body"), /Log file name: \.\.\/logs\/vornout-prev\.dat/);
  await answerwithchart(749, "archived");
});

await check("counters at a time of day, in the current and an archived log; the link opens the answer on its own page", async () => {
  await page.goto(base + "/");
  assert.equal(await page.isVisible("#ownpage"), false);
  await page.fill("#time input[name=time]", "12:00");
  assert.equal(await submit("time"), "action=totalload&time=12%3A00");
  const counters = /Time: \w{3} \w{3} \d\d 1[12]:\d\d:\d\d \d{4}Rx Bytes: \d+Tx Bytes: \d+/;
  const current = await answer().textContent("body");
  assert.match(current, counters);
  await page.screenshot({ path: `${shots}/time.png` });
  const asked = answer().url();
  await Promise.all([page.waitForNavigation(), page.click("#ownpage")]);
  assert.equal(page.url(), asked);
  assert.equal(await page.textContent("body"), current);

  await page.goto(base + "/");
  await page.fill("#time input[name=time]", "12:00");
  await page.fill("#time input[name=logfile]", "vornout-prev.dat");
  assert.equal(await submit("time"), "action=totalload&time=12%3A00&logfile=vornout-prev.dat");
  const text = await answer().textContent("body");
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
  assert.equal(answer().url(), "about:srcdoc");
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
  assert.match(await answer().textContent("body"), /Summary Statistics for 15 days since/);
  await answerwithchart(480, "summary-from");
});

// sixty days are wider than the page: the frame scrolls sideways, and its
// scrollbar does not hide the chart's foot
await check("daily summary of all dates", async () => {
  await page.goto(base + "/");
  await page.fill("#summary input[name=days]", "60");
  await page.check("#summary input[name=dates]");
  assert.equal(await submit("summary"), "action=sumtotalload&days=60&dates=on&hgrid=on");
  assert.match(await answer().textContent("body"), /Summary Statistics for 60 days/);
  await answerwithchart(1830, null);
  assert.ok(await answer().evaluate(() => innerHeight > document.scrollingElement.clientHeight),
            "no sideways scrollbar");
  // measured before the screenshot, which hides the scrollbars
  await answer().locator("center img").screenshot({ path: `${shots}/summary.png` });
});

// Back after two answers shows the first whole: its text and its own
// chart, not the chart that the second request drew since.
await check("Back shows the first answer whole", async () => {
  await page.goto(base + "/");
  await submit("load");
  await answerwithchart(750, null);
  await page.fill("#summary input[name=days]", "60");
  await page.check("#summary input[name=dates]");
  await submit("summary");
  await answerwithchart(1830, null);
  // the frame goes back, not the page: history.back(), as the browser's button does
  await Promise.all([answer().waitForNavigation(), page.evaluate(() => history.back())]);
  assert.equal(new URL(answer().url()).search, "?action=rxloaddyn&vgrid=on&hgrid=on");
  assert.doesNotMatch(await answer().textContent("body"), /Summary/);
  await answerwithchart(750, null);
});

// Tab reaches every control and the answer; Enter in a field asks the
// question, and focus goes to the answer.
await check("everything by keyboard", async () => {
  await page.goto(base + "/");
  const stops = new Set();
  for (let i = 0; i < 30; i++) {
    await page.keyboard.press("Tab");
    stops.add(await page.evaluate(() => {
      const el = document.activeElement;
      return el.id || el.name || el.textContent.trim();
    }));
  }
  for (const stop of ["action", "vgrid", "hgrid", "logfile", "follow", "Draw the chart", "time",
                      "Look up", "datefrom", "days", "dates", "Summarise", "answer"])
    assert.ok(stops.has(stop), `Tab never reaches ${stop}`);
  await page.focus("#load input[name=logfile]");
  await page.keyboard.type("vornout-prev.dat");
  await Promise.all([answer().waitForNavigation(), page.keyboard.press("Enter")]);
  await page.waitForFunction(() => document.activeElement === document.getElementById("answer"));
  assert.equal(new URL(answer().url()).search,
               "?action=rxloaddyn&vgrid=on&hgrid=on&logfile=vornout-prev.dat");
  await page.keyboard.press("Shift+Tab");
  assert.equal(await page.evaluate(() => document.activeElement.id), "ownpage");
});

// On a phone the forms stack; the chart, wider than the screen, scrolls
// sideways inside the frame (from the keyboard too), never the page.
await check("phone width", async () => {
  const p = await newpage(phone);
  await p.goto(base + "/");
  assert.equal(await submit("load", p), "action=rxloaddyn&vgrid=on&hgrid=on");
  await answerwithchart(750, null, p);
  const frame = answer(p);
  assert.ok(await frame.evaluate(() =>
    document.scrollingElement.scrollWidth > document.scrollingElement.clientWidth));
  await p.screenshot({ path: `${shots}/phone.png`, fullPage: true });
  await p.keyboard.press("ArrowRight");
  await frame.waitForFunction(() => scrollX > 0);
  await p.context().close();
});

// Without scripts the forms still answer into the frame (empty fields go
// too: the program takes an empty log name for the current log); only
// following, which needs them, is not offered.
await check("scripts off", async () => {
  const p = await newpage({ ...desktop, javaScriptEnabled: false });
  await p.goto(base + "/");
  assert.equal(await p.isVisible("#follow"), false);
  assert.equal(await submit("load", p, false), "action=rxloaddyn&vgrid=on&hgrid=on&logfile=");
  await answerwithchart(750, null, p);
  await p.context().close();
});

// The chart under the one name is asked for again every period (here 2
// seconds, from the page's address): each redraw is a new chart, as the
// device's new records widen it, and none is asked while the switch is off
// or the page is hidden.
await check("following the channel", async () => {
  await page.goto("about:blank");   // a fresh page, not the last one's hash changed
  await page.goto(base + "/#follow=2");
  assert.match(await page.textContent("#followhint"), /every 2 seconds\s+while this page is in view/);
  const action = await page.$eval("#load", (f) => new URL(f.getAttribute("action"), f.baseURI).href);
  let asked = 0;
  const count = (r) => { if (r.url().startsWith(action + "?")) asked++; };
  page.on("request", count);
  const entries = await page.evaluate(() => history.length);
  const redrawn = async () => {
    await answer().waitForNavigation();
    await page.waitForFunction(() => /^Last drawn at \d\d:\d\d:\d\d UTC$/.test(
      document.getElementById("drawn").textContent));
  };

  let next = redrawn();
  await page.focus("#follow");
  await page.keyboard.press("Space");
  await next;
  await chartsize(750);
  // the device writes three records: the next redraw is three intervals wider
  const log = `${site}/logs/vornout.dat`;
  const last = Math.max(...[...readFileSync(log, "latin1").matchAll(/^time=(\d+)/gm)].map((m) => +m[1]));
  appendFileSync(log, execFileSync(genlog, ["--count", "3", "--start", String(last + 120)]));
  await redrawn();
  await chartsize(753);
  assert.equal(new URL(answer().url()).search, "?action=rxloaddyn&vgrid=on&hgrid=on");
  assert.equal(await page.evaluate(() => document.activeElement.id), "follow");
  assert.equal(await page.evaluate(() => history.length), entries, "redraws went into the history");

  await page.keyboard.press("Space");
  let before = asked;
  await page.waitForTimeout(5000);
  assert.equal(asked, before, "asked while switched off");
  assert.equal(await page.textContent("#drawn"), "");

  // headless chromium keeps every page visible: the page is told it is hidden
  const visible = (yes) => page.evaluate((yes) => {
    Object.defineProperty(document, "hidden", { value: !yes, configurable: true });
    Object.defineProperty(document, "visibilityState", { value: yes ? "visible" : "hidden",
                                                         configurable: true });
    document.dispatchEvent(new Event("visibilitychange"));
  }, yes);
  next = redrawn();
  await page.keyboard.press("Space");
  await next;
  await visible(false);
  before = asked;
  await page.waitForTimeout(5000);
  assert.equal(asked, before, "asked while hidden");
  next = redrawn();
  await visible(true);
  await next;
  assert.equal(asked, before + 1);

  // another question switches following off, so that its answer stays
  await page.fill("#time input[name=time]", "12:00");
  await submit("time");
  assert.equal(await page.isChecked("#follow"), false);
  page.off("request", count);
});

await check("no console errors", () => assert.deepEqual(errors, []));

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
