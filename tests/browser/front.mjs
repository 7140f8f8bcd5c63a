// Goes through the front page as a person would, in Debian's chromium: each
// question's answer comes into the frame below the forms, told in one line
// and described to screen readers (axe-core finds nothing serious), following
// the channel redraws the chart, and the page works from the keyboard, on a
// phone's width, in the dark and with scripts off.
// Usage: node front.mjs BASE-URL SCREENSHOT-FOLDER SITE-FOLDER GENLOG
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import { appendFileSync, readFileSync, writeFileSync } from "node:fs";
import { execFileSync } from "node:child_process";
import { createRequire } from "node:module";

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
const dark = { colorScheme: "dark" };

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

// Asks a question through its form on a fresh front page: `fields` maps a
// selector inside the form to the text to type, or true to tick it.
async function ask(p, { form, fields = {} }) {
  await p.goto(base + "/");
  for (const [sel, value] of Object.entries(fields)) {
    if (value === true)
      await p.check(`#${form} ${sel}`);
    else
      await p.fill(`#${form} ${sel}`, value);
  }
  return submit(form, p);
}

// axe-core inside a page or a frame: its violations, by rule and impact,
// counted per impact for the summary at the end
const axesource = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
const axecounts = {};
async function axe(target, where) {
  if (!await target.evaluate(() => "axe" in window))
    await target.addScriptTag({ content: axesource });
  const found = await target.evaluate(async () => {
    const { violations } = await axe.run(document, { iframes: false, resultTypes: ["violations"] });
    return violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.length }));
  });
  for (const v of found) {
    const key = `${where} ${v.impact} ${v.id}`;
    axecounts[key] = (axecounts[key] || 0) + 1;
  }
  return found;
}

// The colour of a screenshot's pixel, as the browser decodes the PNG.
const pixel = (png, x, y) => page.evaluate(async ([b64, x, y]) => {
  const img = new Image();
  img.src = "data:image/png;base64," + b64;
  await img.decode();
  const c = document.createElement("canvas");
  c.width = img.width;
  c.height = img.height;
  const g = c.getContext("2d");
  g.drawImage(img, 0, 0);
  return Array.from(g.getImageData(x, y, 1, 1).data.slice(0, 3));
}, [png.toString("base64"), x, y]);

// dates as the form takes them and as the program's pages write them
const two = (n) => String(n).padStart(2, "0");
const daysago = (n) => new Date(Date.now() - n * 86400 * 1000);
const formdate = (d) => `${two(d.getUTCDate())}/${two(d.getUTCMonth() + 1)}/${d.getUTCFullYear()}`;
const logdate = (d) => d.toUTCString().slice(5, 16);

// Logs of the test's own: twelve minutes of records from 06:00 UTC, so
// that 08:20 has none within three minutes, and one with no record.
writeFileSync(`${site}/logs/short.dat`,
              execFileSync(genlog, ["--count", "7", "--start", String(Date.UTC(2026, 11, 1, 6) / 1000)]));
writeFileSync(`${site}/logs/empty.dat`, "");

await check("front page: landmarks, forms named by their headings, hints tied to their fields", async () => {
  await page.goto(base + "/");
  assert.equal(await page.title(), "VORN-NX channel report");
  assert.equal(await page.getAttribute("iframe", "title"), "Answer");
  assert.equal(await page.locator("main h1").count(), 1);
  for (const name of ["Load per interval", "Counters at a time of day", "Daily summary"])
    assert.equal(await page.getByRole("form", { name }).count(), 1, `no form named ${name}`);
  assert.deepEqual(await page.$$eval("form .hint[id]", (hints) => hints.filter((h) =>
    !document.querySelector(`[aria-describedby~="${h.id}"]`)).map((h) => h.id)), []);
  assert.deepEqual(await page.$$eval("form .hint:not([id])", (hints) => hints.length), 0);
  // a switch that takes away the chart's only scale says so
  for (const name of ["vgrid", "hgrid"])
    assert.match(await page.textContent(`#load label:has([name=${name}])`), /only\s+\S+\s+scale/);
  // the controls' text is the page's, not the browser's smaller one
  assert.deepEqual(await page.$$eval("button, input:not([type=hidden])", (els) => [...new Set(
    els.map((el) => getComputedStyle(el).fontSize))]), ["16px"]);
  assert.equal(await page.evaluate(() => getComputedStyle(document.documentElement).scrollbarGutter),
               "stable");
  await page.screenshot({ path: `${shots}/front.png`, fullPage: true });
});

await check("load chart with both switches", async () => {
  await page.goto(base + "/");
  assert.equal(await submit("load"), "action=rxloaddyn&vgrid=on&hgrid=on");
  await answerwithchart(750, "load");
  // it fits: no note about earlier intervals
  assert.equal(await page.isVisible("#earlier"), false);
  await page.screenshot({ path: `${shots}/desktop-light.png`, fullPage: true });
});

// Each kind of answer is told in the status line, titled and given a
// language, its chart described; the frame shows that it has focus; and
// axe-core finds no serious or critical fault on the page or in the frame.
const kinds = {
  load: { form: "load",
          line: "Load chart of received bytes (Rx), the current log",
          alt: "Load chart of received bytes (Rx) per interval in the current log, as % of " +
               "64000 bit/s, oldest interval at the left" },
  archived: { form: "load", fields: { "input[value=txloaddyn]": true,
                                      "[name=logfile]": "vornout-prev.dat" },
              line: "Load chart of sent bytes (Tx), the archived log vornout-prev.dat",
              alt: "Load chart of sent bytes (Tx) per interval in the archived log " +
                   "vornout-prev.dat, as % of 64000 bit/s, oldest interval at the left" },
  summary: { form: "summary", fields: { "[name=days]": "60", "[name=dates]": true },
             line: "Daily summary of 60 days from the log's first day",
             alt: "Daily summary chart: average daily received (red) and sent (yellow) load " +
                  "over 60 days from the log's first day, as % of 64000 bit/s over a day" },
  counters: { form: "time", fields: { "[name=time]": "12:00" },
              line: /^Counters at \w{3} \d\d \w{3} \d{4} 1[12]:\d\d:\d\d UTC: received [\d,]+ bytes, sent [\d,]+ bytes$/ },
  none: { form: "time", fields: { "[name=time]": "08:20", "[name=logfile]": "short.dat" },
          line: "No record within 3 minutes of 08:20 UTC in the archived log short.dat" },
  denied: { form: "load", fields: { "[name=logfile]": "nothere.dat" },
            line: "Access denied: the server's log says why" },
};
for (const [scheme, options] of [["light", desktop], ["dark", { ...desktop, ...dark }]]) {
  await check(`each kind of answer told, titled and described; axe-core, ${scheme}`, async () => {
    const p = await newpage(options);
    for (const [kind, question] of Object.entries(kinds)) {
      await ask(p, question);
      const line = await p.textContent("#said");
      if (question.line instanceof RegExp)
        assert.match(line, question.line);
      else
        assert.equal(line, question.line);
      const frame = answer(p);
      assert.deepEqual(await frame.evaluate(() => [document.title, document.documentElement.lang,
        document.querySelector("img")?.alt ?? null]), [line, "en", question.alt ?? null], kind);
      assert.deepEqual(await p.$eval("#answer", (f) => [document.activeElement === f,
        getComputedStyle(f).outlineStyle, parseFloat(getComputedStyle(f).outlineWidth) >= 2]),
        [true, "solid", true], `${kind}: the frame shows no focus`);
      for (const [where, target] of [["page", p], ["frame", frame]]) {
        const grave = (await axe(target, where)).filter((v) => /serious|critical/.test(v.impact));
        assert.deepEqual(grave, [], `${kind}, ${where}`);
      }
    }
    await p.context().close();
  });
}

// No chart and no counters: the status line says why.
await check("an empty answer says why", async () => {
  for (const [question, line] of [
    [{ form: "summary", fields: { "[name=datefrom]": formdate(new Date()) } },
     `No summary: fewer than two days of the daily log from ${logdate(new Date())}, and a summary needs two`],
    [{ form: "summary", fields: { "[name=datefrom]": "01/01/2020" } },
     "No summary: the daily log has no record of 01 Jan 2020"],
    [{ form: "load", fields: { "[name=logfile]": "empty.dat" } },
     "No records in the archived log empty.dat"],
    [kinds.none, kinds.none.line]]) {
    await ask(page, question);
    assert.equal(await answer().locator("img").count(), 0);
    assert.equal(await page.textContent("#said"), line);
  }
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

// The summary as it comes answers: seven days from a week ago (UTC).
await check("summary as it comes", async () => {
  await page.goto(base + "/");
  assert.equal(await page.inputValue("#summary input[name=datefrom]"), formdate(daysago(7)));
  await submit("summary");
  await answerwithchart(400, null);
  assert.equal(await page.textContent("#said"), `Daily summary of 7 days from ${logdate(daysago(7))}`);
});

// An empty "From" would ask for today, which shows nothing: the form will
// not go without one unless the summary starts at the log's first day.
await check("summary needs a From date unless all dates are ticked", async () => {
  await page.goto(base + "/");
  await page.fill("#summary input[name=datefrom]", "");
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
  const from = formdate(daysago(20));
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

// The time is UTC, typed as the program reads it: 24-hour hh:mm.
await check("time of day in 24-hour form", async () => {
  await page.goto(base + "/");
  const field = "#time input[name=time]";
  for (const [typed, valid] of [["17:45", true], ["00:00", true], ["24:00", false],
                                ["5:30 PM", false], ["12:60", false]]) {
    await page.fill(field, typed);
    assert.equal(await page.$eval(field, (el) => el.checkValidity()), valid, typed);
  }
  await page.fill(field, "8:20");
  assert.equal(await submit("time"), "action=totalload&time=08%3A20");
});

// On a phone the forms stack, each control a finger's size; the chart,
// wider than the screen, opens at its newest end with a note, and scrolls
// sideways inside the frame (from the keyboard too), never the page.
for (const [scheme, options] of [["light", phone], ["dark", { ...phone, ...dark }]]) {
  await check(`phone width, ${scheme}`, async () => {
    const p = await newpage(options);
    await p.goto(base + "/");
    assert.equal(await submit("load", p), "action=rxloaddyn&vgrid=on&hgrid=on");
    await answerwithchart(750, null, p);
    const frame = answer(p);
    const [x, newest] = await frame.evaluate(() =>
      [scrollX, document.scrollingElement.scrollWidth - document.scrollingElement.clientWidth]);
    assert.ok(newest > 0 && x === newest, `scrolled to ${x} of ${newest}`);
    assert.equal(await p.isVisible("#earlier"), true);
    const small = await p.$$eval("button, input[type=text], input[type=number], " +
      "label:has(> input[type=checkbox]), label:has(> input[type=radio]), #ownpage",
      (els) => els.filter((el) => el.checkVisibility() && el.getBoundingClientRect().height < 44)
        .map((el) => el.outerHTML.slice(0, 60)));
    assert.deepEqual(small, []);
    await p.screenshot({ path: `${shots}/phone-${scheme}.png`, fullPage: true });
    await p.keyboard.press("ArrowLeft");
    await frame.waitForFunction((x) => scrollX < x, x);
    await p.context().close();
  });
}

// In the dark the page and the frame's answer are dark, the chart keeps
// its colours.
await check("dark scheme", async () => {
  const p = await newpage({ ...desktop, ...dark });
  await p.goto(base + "/");
  await submit("load", p);
  const img = await chartsize(750, p);
  assert.equal(await answer(p).evaluate(() =>
    getComputedStyle(document.documentElement).colorScheme), "light dark");
  const shot = await p.screenshot({ path: `${shots}/desktop-dark.png`, fullPage: true });
  const framed = p.locator("#answer");
  const { height } = await framed.boundingBox();
  const dim = (rgb) => Math.max(...rgb) < 64;
  assert.ok(dim(await pixel(shot, 4, 4)), "the page is light");
  assert.ok(dim(await pixel(await framed.screenshot(), 10, Math.floor(height) - 10)),
            "the answer is light");
  assert.deepEqual(await pixel(await img.screenshot(), 745, 5), [0, 0, 255]);
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
  // a redraw is told by the time it was drawn, a new one each period
  const redrawn = async () => {
    const before = await page.textContent("#drawn");
    await page.waitForFunction((before) => {
      const now = document.getElementById("drawn").textContent;
      return now !== before && /^Last drawn at \d\d:\d\d:\d\d UTC$/.test(now);
    }, before);
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

// While following, the chart asked last is redrawn: edits not sent stay
// in the form, the frame always shows a chart and the page does not move.
await check("following redraws what was asked, in place", async () => {
  await page.goto("about:blank");
  await page.goto(base + "/#follow=1");
  await page.check("#load input[value=txloaddyn]");
  await submit("load");
  await chartsize(await answer().$eval("img", (el) => el.naturalWidth));
  const asked = new URL(answer().url()).href;
  await page.check("#load input[value=rxloaddyn]");
  await page.fill("#load input[name=logfile]", "vornout-pr");
  const sent = [];
  const count = (r) => { if (r.url().startsWith(asked.split("?")[0] + "?")) sent.push(r.url()); };
  page.on("request", count);
  // every frame painted from now on: a chart in the frame, the page's scroll
  await page.evaluate(() => {
    scrollTo(0, document.documentElement.scrollHeight);
    const frame = document.getElementById("answer");
    const seen = window.seen = { frames: 0, blank: 0, scroll: new Set() };
    (function tick() {
      const img = frame.contentDocument?.querySelector("center img");
      seen.frames++;
      if (!img || !img.complete || !img.naturalWidth)
        seen.blank++;
      seen.scroll.add(scrollY);
      if (!seen.stop)
        requestAnimationFrame(tick);
    })();
  });
  await page.$eval("#follow", (el) => el.click());
  await page.waitForFunction(() => /^Last drawn/.test(document.getElementById("drawn").textContent));
  while (sent.length < 4)
    await page.waitForTimeout(200);
  await page.$eval("#follow", (el) => el.click());
  page.off("request", count);
  const seen = await page.evaluate(() => {
    seen.stop = true;
    return { frames: seen.frames, blank: seen.blank, scroll: [...seen.scroll] };
  });
  assert.deepEqual([...new Set(sent)], [asked]);
  assert.ok(seen.frames > 30, `${seen.frames} frames seen`);
  assert.equal(seen.blank, 0, `${seen.blank} of ${seen.frames} frames without a chart`);
  assert.ok(seen.scroll.length === 1 && seen.scroll[0] > 0, `the page scrolled: ${seen.scroll}`);
  assert.equal(await page.textContent("#said"), "Load chart of sent bytes (Tx), the current log");
  assert.deepEqual(await page.$eval("#load", (f) => [f.elements.action.value, f.elements.logfile.value]),
                   ["rxloaddyn", "vornout-pr"]);
});

// Back to an earlier answer keeps it: following would replace it.
await check("Back to another answer ends following", async () => {
  await page.goto("about:blank");
  await page.goto(base + "/#follow=1");
  await page.fill("#time input[name=time]", "12:00");
  await submit("time");
  await submit("load");
  await page.$eval("#follow", (el) => el.click());
  await page.waitForFunction(() => /^Last drawn/.test(document.getElementById("drawn").textContent));
  await Promise.all([answer().waitForNavigation(), page.evaluate(() => history.back())]);
  assert.equal(new URL(answer().url()).searchParams.get("action"), "totalload");
  assert.equal(await page.isChecked("#follow"), false);
  await page.waitForTimeout(2500);
  assert.equal(new URL(answer().url()).searchParams.get("action"), "totalload");
});

await check("no console errors", () => assert.deepEqual(errors, []));

console.log("axe-core, by where, impact and rule (pages checked):",
            Object.entries(axecounts).map(([k, n]) => `${k} ${n}`).join(", ") || "none");

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
