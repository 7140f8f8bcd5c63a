// Goes through the front page as a person would, in Debian's chromium: each
// question's answer comes into the frame below the forms, told in one line
// and described to screen readers (axe-core finds nothing serious), with
// links to it as CSV and JSON; the periods' choices send what they say;
// following the channel redraws the chart, and the page works from the
// keyboard, on a phone's width, in the dark and with scripts off.
// Usage: node front.mjs BASE-URL SCREENSHOT-FOLDER SITE-FOLDER GENLOG
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import { appendFileSync, readFileSync, unlinkSync, writeFileSync } from "node:fs";
import { execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import { gzipSync } from "node:zlib";

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
// the page itself stays, and with scripts on, focus moves to the answer and
// the status line tells it (a chart's once its figures have come too).
async function submit(form, p = page, scripts = true) {
  const before = p.url();
  await Promise.all([answer(p).waitForNavigation(), p.click(`#${form} button[type=submit]`)]);
  assert.equal(p.url(), before);
  if (scripts)
    await p.waitForFunction(() => document.activeElement === document.getElementById("answer") &&
                                  document.getElementById("said").textContent !== "");
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
// selector inside the form to the text to type, true to tick it, or for a
// list the option to choose, by its value or {label}.
async function ask(p, { form, fields = {} }) {
  await p.goto(base + "/");
  for (const [sel, value] of Object.entries(fields)) {
    if (value === true)
      await p.check(`#${form} ${sel}`);
    else if (sel === "select")
      await p.selectOption(`#${form} ${sel}`, value);
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

// A record's time as the front page writes it ("Tue 01 Dec 06:02", the
// year added when it is not this one), and a period of two
const when = (ms, year) => {
  const parts = new Date(ms).toUTCString().split(" ");
  year ??= new Date(ms).getUTCFullYear() !== new Date().getUTCFullYear();
  return `${parts[0].slice(0, 3)} ${parts[1]} ${parts[2]}${year ? " " + parts[3] : ""} ` +
         parts[4].slice(0, 5);
};
const span = (a, b) => {
  const year = new Date(a).getUTCFullYear() !== new Date(b).getUTCFullYear() || undefined;
  return `${when(a, year)} – ${when(b, year)} UTC`;
};
// the records of a log: their times (ms) and counters
const records = (file) => [...readFileSync(file, "latin1").matchAll(
  /^time=(\d+)\n(?:.*\n)*?Rx bytes: (\d+)\n(?:.*\n)*?Tx bytes: (\d+)$/gm)]
  .map((m) => ({ t: +m[1] * 1000, rx: +m[2], tx: +m[3] }));
// the previous calendar month's first day and this month's, in UTC
const thismonth = Date.UTC(new Date().getUTCFullYear(), new Date().getUTCMonth());
const lastmonth = Date.UTC(new Date().getUTCFullYear(), new Date().getUTCMonth() - 1);

// Logs of the test's own: twelve minutes of records from 06:00 UTC, so
// that 08:20 has none within three minutes; one with no record; one longer
// than a chart holds. The site's day before, and the last day of the
// previous month, as archives of the current log (gzipped, as rotation
// leaves them), for periods.
const short = Date.UTC(2026, 11, 1, 6);
writeFileSync(`${site}/logs/short.dat`,
              execFileSync(genlog, ["--count", "7", "--start", String(short / 1000)]));
writeFileSync(`${site}/logs/empty.dat`, "");
writeFileSync(`${site}/logs/long.dat`,
              execFileSync(genlog, ["--count", "65600", "--start", "1780000000"], { maxBuffer: 64 << 20 }));
writeFileSync(`${site}/logs/vornout.dat.1.gz`, gzipSync(readFileSync(`${site}/logs/vornout-prev.dat`)));
writeFileSync(`${site}/logs/vornout.dat.2.gz`, gzipSync(execFileSync(genlog,
  ["--count", "721", "--start", String(thismonth / 1000 - 86400 - 60), "--seed", "3"])));
// For the picture: a day across the end of daylight saving time in New
// York (06:00 UTC on 1 November 2026), a week and a year of records.
const dst = Date.UTC(2026, 9, 31, 20);
writeFileSync(`${site}/logs/dst.dat`, execFileSync(genlog, ["--count", "721", "--start", String(dst / 1000)]));
writeFileSync(`${site}/logs/week.dat`, execFileSync(genlog, ["--count", "5041", "--start", "1790000000"]));
writeFileSync(`${site}/logs/year.dat`, execFileSync(genlog, ["--count", "262801", "--start", "1767225600"],
                                                    { maxBuffer: 128 << 20 }));

await check("front page: landmarks, forms named by their headings, hints tied to their fields", async () => {
  await page.goto(base + "/");
  // a site of one channel at its server's root goes by the host's name
  assert.equal(await page.title(), `Channel ${new URL(base).hostname} · VORN-NX channel report`);
  assert.equal(await page.textContent("h1"), `Channel ${new URL(base).hostname}`);
  assert.equal(await page.getAttribute("iframe", "title"), "Answer");
  assert.equal(await page.locator("main h1").count(), 1);
  for (const name of ["Load per interval", "Counters at a time of day", "Daily summary",
                      "Usage over a period"])
    assert.equal(await page.getByRole("form", { name }).count(), 1, `no form named ${name}`);
  assert.deepEqual(await page.$$eval("form .hint[id]", (hints) => hints.filter((h) =>
    !document.querySelector(`[aria-describedby~="${h.id}"]`)).map((h) => h.id)), []);
  assert.deepEqual(await page.$$eval("form .hint:not([id])", (hints) => hints.length), 0);
  // a switch that takes away the chart's only scale says so
  for (const name of ["vgrid", "hgrid"])
    assert.match(await page.textContent(`#load label:has([name=${name}])`), /only\s+\S+\s+scale/);
  // the controls' text is the page's, not the browser's smaller one
  assert.deepEqual(await page.$$eval("button, input:not([type=hidden]), select", (els) => [...new Set(
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

// The average daily loads of `count` days of the daily log from its record
// `from` on, worked out here from its counters: whole per cent, as the
// chart's legend has them, within the one a cut can make.
function dailyloads(from, count) {
  const days = records(`${site}/logs/sumout.dat`).slice(from, from + count + 1);
  const load = (key) => days.slice(1).reduce((sum, d, i) => sum +
    ((d[key] - days[i][key] + 2 ** 32) % 2 ** 32) * 8 / ((d.t - days[i].t) / 1000) / 64000 * 100, 0) /
    (days.length - 1);
  return { found: days.length - 1, first: days[0].t, rx: load("rx"), tx: load("tx") };
}
const closeto = (shown, worked) => assert.ok(+shown <= worked + 1e-6 && +shown > worked - 1 - 1e-6,
                                             `${shown}% shown, ${worked}% worked out`);

// Each kind of answer is told in the status line, titled and given a
// language, its chart described with its period (from the figures of the
// same question); the frame shows that it has focus; and axe-core finds no
// serious or critical fault on the page or in the frame.
const current = records(`${site}/logs/vornout.dat`);
const currentspan = span(current[0].t, current.at(-1).t);
const prev = records(`${site}/logs/vornout-prev.dat`);
const alldays = dailyloads(0, 60);
const kinds = {
  load: { form: "load",
          line: `Load chart of received bytes (Rx), the current log, ${currentspan}`,
          alt: `Load chart of received bytes (Rx) per interval in the current log, ${currentspan} ` +
               `(${current.length - 1} intervals), as % of 64000 bit/s, oldest interval at the left` },
  archived: { form: "load", fields: { "input[value=txloaddyn]": true,
                                      "[name=logfile]": "vornout-prev.dat" },
              line: "Load chart of sent bytes (Tx), the archived log vornout-prev.dat, " +
                    span(prev[0].t, prev.at(-1).t),
              alt: "Load chart of sent bytes (Tx) per interval in the archived log " +
                   `vornout-prev.dat, ${span(prev[0].t, prev.at(-1).t)} (${prev.length - 1} ` +
                   "intervals), as % of 64000 bit/s, oldest interval at the left" },
  // records 06:00 to 06:12: the intervals ending 06:04, 06:06 and 06:08
  period: { form: "load", fields: { "[name=logfile]": "short.dat", "[name=from]": "01/12/2026 06:04",
                                    "[name=to]": "01/12/2026 06:10" },
            line: "Load chart of received bytes (Rx), the archived log short.dat, " +
                  span(short + 120e3, short + 480e3),
            alt: "Load chart of received bytes (Rx) per interval in the archived log short.dat, " +
                 `${span(short + 120e3, short + 480e3)} (3 intervals), as % of 64000 bit/s, ` +
                 "oldest interval at the left" },
  summary: { form: "summary", fields: { "[name=days]": "60", "[name=dates]": true },
             line: new RegExp(`^Daily summary of 60 days from the log's first day, ` +
                              `${new Date(alldays.first).toUTCString().slice(0, 16).replace(",", "")}, ` +
                              `only ${alldays.found} found: average loads received (\\d+)%, sent (\\d+)%$`),
             loads: alldays,
             alt: (line) => "Daily summary chart: average daily load received (red) " +
                            `${line[1]}% and sent (yellow) ${line[2]}% over the ${alldays.found} days ` +
                            "found from the log's first day, " +
                            `${new Date(alldays.first).toUTCString().slice(0, 16).replace(",", "")}, ` +
                            "as % of 64000 bit/s over a day" },
  usage: { form: "usage", fields: { select: "168" },
           line: new RegExp(`^Usage, ${span(current.at(-1).t - 168 * 3600e3, current.at(-1).t)}` +
                            ": received [\\d.]+\u00a0[KMG]B, sent [\\d.]+\u00a0[KMG]B; 95th percentile " +
                            "received [\\d.]+\u00a0[kM]?bit/s, sent [\\d.]+\u00a0[kM]?bit/s$") },
  noperiod: { form: "usage", fields: { "[name=from]": "01/01/2020", "[name=to]": "01/02/2020" },
              line: "No record in that period in the current log and its archives" },
  counters: { form: "time", fields: { "[name=time]": "12:00" },
              line: /^Counters at \w{3} \d\d \w{3} \d{4} 1[12]:\d\d:\d\d UTC: received [\d,]+ bytes, sent [\d,]+ bytes$/ },
  none: { form: "time", fields: { "[name=time]": "08:20", "[name=logfile]": "short.dat" },
          line: "No record within 3 minutes of 08:20 UTC in the archived log short.dat" },
  denied: { form: "load", fields: { "[name=logfile]": "nothere.dat" },
            line: "Access denied: The log nothere.dat is not in the log folder." },
};
for (const [scheme, options] of [["light", desktop], ["dark", { ...desktop, ...dark }]]) {
  await check(`each kind of answer told, titled and described; axe-core, ${scheme}`, async () => {
    const p = await newpage(options);
    for (const [kind, question] of Object.entries(kinds)) {
      await ask(p, question);
      const line = await p.textContent("#said");
      let alt = question.alt ?? null;
      if (question.line instanceof RegExp) {
        const found = question.line.exec(line);
        assert.ok(found, `${kind}: "${line}"`);
        if (question.loads) {
          closeto(found[1], question.loads.rx);
          closeto(found[2], question.loads.tx);
        }
        if (typeof alt === "function")
          alt = alt(found);
      } else
        assert.equal(line, question.line);
      const frame = answer(p);
      assert.deepEqual(await frame.evaluate(() => [document.title, document.documentElement.lang,
        document.querySelector("img")?.alt ?? null]), [line, "en", alt], kind);
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
     "No records in the archived log empty.dat: The log is empty."],
    [kinds.none, kinds.none.line]]) {
    await ask(page, question);
    assert.equal(await answer().locator("img").count(), 0);
    assert.equal(await page.textContent("#said"), line);
  }
});

// The period's choices, in the usage form and the load chart's: each quick
// choice sends its hours and no dates; the previous calendar month sends its
// first day and the next month's; dates typed loosely go in the program's
// form; editing the month's dates makes them the choice; To must come after
// From. Each answer comes into the frame.
await check("period choices send what they say", async () => {
  const month = `from=${encodeURIComponent(formdate(new Date(lastmonth)))}` +
                `&to=${encodeURIComponent(formdate(new Date(thismonth)))}`;
  const monthname = new Date(lastmonth).toLocaleString("en", { month: "long", year: "numeric",
                                                              timeZone: "UTC" });
  for (const [form, asked] of [["usage", "action=usage"], ["load", "action=rxloaddyn&vgrid=on&hgrid=on"]]) {
    for (const [fields, query] of [
      [{ "[name=from]": "01/01/2020", select: "24" }, "hours=24"],
      [{ select: "168" }, "hours=168"],
      [{ select: "720" }, "hours=720"],
      [{ select: { label: `${monthname} (previous month)` } }, month],
      [{ "[name=from]": "1/12/2026 6:04", "[name=to]": "2/12/2026" },
       "from=01%2F12%2F2026+06%3A04&to=02%2F12%2F2026"]]) {
      // a change event for each field typed, as leaving it gives
      await page.goto(base + "/");
      for (const [sel, value] of Object.entries(fields)) {
        if (sel === "select")
          await page.selectOption(`#${form} select`, value);
        else {
          await page.fill(`#${form} ${sel}`, value);
          await page.dispatchEvent(`#${form} ${sel}`, "change");
        }
      }
      assert.equal(await submit(form), `${asked}&${query}`);
      const said = await page.textContent("#said");
      if (form === "usage")
        assert.match(said, /^(Usage, |No record in that period)/, query);
      else
        assert.match(said, /^(Load chart of received|No record in that period)/, query);
    }
  }
  // the month's own figures: its bounds on the usage page (the archive of
  // its last day is read)
  await ask(page, { form: "usage", fields: { select: { label: `${monthname} (previous month)` } } });
  assert.ok((await page.textContent("#said")).startsWith(`Usage, ${span(lastmonth, thismonth)}: received `),
            await page.textContent("#said"));

  await page.goto(base + "/");
  const fields = () => page.$eval("#usage", (f) => [f.elements.hours.selectedOptions[0].text,
    f.elements.from.value, f.elements.to.value, f.elements.from.disabled, f.elements.to.checkValidity()]);
  await page.selectOption("#usage select", { label: `${monthname} (previous month)` });
  await page.fill("#usage [name=to]", "15/" + formdate(new Date(lastmonth)).slice(3));
  await page.dispatchEvent("#usage [name=to]", "change");
  assert.deepEqual(await fields(), ["From and To", formdate(new Date(lastmonth)),
                                    "15/" + formdate(new Date(lastmonth)).slice(3), false, true]);
  await page.fill("#usage [name=to]", "01/01/2020");
  await page.dispatchEvent("#usage [name=to]", "change");
  assert.equal((await fields())[4], false, "To before From");
  await page.selectOption("#usage select", "24");
  assert.deepEqual((await fields()).slice(3), [true, true]);
});

// The answer in the frame, as data: the links ask the same question with
// format=csv and format=json, which answer as such; the CSV comes as a
// download and the page stays. No answer, no links.
await check("CSV and JSON links for the answer in the frame", async () => {
  await page.goto(base + "/");
  assert.equal(await page.isVisible("#links"), false);
  for (const [question, header, key] of [
    [kinds.load, "time,seconds,rx_bytes,tx_bytes,rx_bps,tx_bps", "intervals"],
    [kinds.usage, "flow,first,last,intervals,gaps,gap_seconds,restarts,wraps,bytes,average_bps," +
                  "peak_bps,peak_time,p95_bps,average_percent,peak_percent,p95_percent,over_capacity", "figures"],
    [kinds.counters, "time,rx_counter,tx_counter", "counters"],
    [kinds.summary, "date,rx_bytes,tx_bytes,rx_percent,tx_percent", "days"]]) {
    await ask(page, question);
    const asked = new URL(answer().url());
    for (const [link, format, type] of [["#csv", "csv", "text/csv; charset=utf-8"],
                                        ["#json", "json", "application/json"]]) {
      const href = new URL(await page.getAttribute(link, "href"), base);
      assert.equal(href.searchParams.get("format"), format);
      href.searchParams.delete("format");
      assert.equal(href.href, asked.href);
      const reply = await page.request.get(await page.$eval(link, (a) => a.href));
      assert.equal(reply.status(), 200);
      assert.equal(reply.headers()["content-type"], type, `${key} ${format}`);
      const body = await reply.text();
      if (format === "csv")
        assert.equal(body.split("\r\n")[0], header);
      else
        assert.ok(JSON.parse(body)[key] !== undefined, `${key} in ${body.slice(0, 80)}`);
    }
  }
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#csv")]);
  assert.match(download.suggestedFilename(), /^sumout\.dat.*\.csv$/);
  assert.equal(page.url(), base + "/");
  assert.equal(new URL(answer().url()).searchParams.get("action"), "sumtotalload");
});

// A period longer than a chart holds: the chart shows its newest intervals,
// and its text says so.
await check("a load chart of more intervals than it holds says which it shows", async () => {
  const long = records(`${site}/logs/long.dat`);
  await ask(page, { form: "load", fields: { "[name=logfile]": "long.dat" } });
  assert.equal(await page.textContent("#said"), "Load chart of received bytes (Rx), the archived " +
               `log long.dat, ${span(long[0].t, long.at(-1).t)}`);
  assert.equal(await answer().$eval("img", (el) => el.alt), "Load chart of received bytes (Rx) " +
               "per interval in the archived log long.dat, the newest 65,505 of " +
               `${(long.length - 1).toLocaleString("en")} intervals up to ${when(long.at(-1).t)} UTC, ` +
               "as % of 64000 bit/s, oldest interval at the left");
});

// A clock set back half way: the chart draws every record where the log has
// it, the figures pass the late ones over, and the status line and the
// chart's text say both, so that neither counts what the other does not.
await check("a log with records out of time order: the chart and its account agree", async () => {
  const recs = records(`${site}/logs/vornout.dat`).slice(0, 40);
  const text = readFileSync(`${site}/logs/vornout.dat`, "latin1").split(/(?=time=)/).slice(0, 40)
    .map((r, i) => i < 25 ? r : r.replace(/^time=(\d+)/, (_, t) => `time=${+t - 365 * 86400}`)).join("");
  writeFileSync(`${site}/logs/jumped.dat`, text);
  try {
    await ask(page, { form: "load", fields: { "[name=logfile]": "jumped.dat" } });
    const line = await page.textContent("#said");
    assert.match(line, /; 15 records out of time order, drawn where the log has them and left out of the figures$/);
    assert.ok(line.includes(span(recs[0].t, recs[24].t)), line);
    assert.match(await answer().$eval("img", (el) => el.alt), /\(24 intervals\); 15 records out of time order/);
    await chartsize(350);
    assert.match(await answer().textContent("body"), /Warning: jumped\.dat: 15 records are out of time order/);
  } finally {
    unlinkSync(`${site}/logs/jumped.dat`);
  }
});

// A device that stopped three days and an hour ago: the status line says so, judged by
// the server's clock (the Date of the data answer).
await check("a current log whose newest record is days old is said to be", async () => {
  const current = readFileSync(`${site}/logs/vornout.dat`);
  writeFileSync(`${site}/logs/vornout.dat`, execFileSync(genlog,
    ["--count", "31", "--start", String(Math.floor(Date.now() / 1000) - 3 * 86400 - 2 * 3600)]));
  try {
    await ask(page, { form: "load", fields: {} });
    assert.match(await page.textContent("#said"),
                 /; the newest record is 3 days old: is the device still writing\?$/);
  } finally {
    writeFileSync(`${site}/logs/vornout.dat`, current);
  }
});

// An archive the program cannot read is named on its page: the status line
// says that some log was left out.
await check("a log not read is told", async () => {
  writeFileSync(`${site}/logs/vornout.dat.3.bz2`, "BZh91AY&SY");
  try {
    await ask(page, { form: "usage", fields: { select: "24" } });
    assert.match(await page.textContent("#said"), /^Usage, .*; 1 log not read, named in the answer$/);
    assert.match(await answer().textContent("body"), /Not read: vornout\.dat\.3\.bz2/);
  } finally {
    unlinkSync(`${site}/logs/vornout.dat.3.bz2`);
  }
});

// The usage answer on a desktop and a phone, light and dark: the page,
// the figures' table in the frame, and on a phone's width axe-core with
// nothing serious (the desktop's were checked with each kind of answer).
for (const [name, options] of [["desktop-light", desktop], ["desktop-dark", { ...desktop, ...dark }],
                               ["phone-light", phone], ["phone-dark", { ...phone, ...dark }]]) {
  await check(`usage answer, ${name}`, async () => {
    const p = await newpage(options);
    await ask(p, kinds.usage);
    assert.equal(await answer(p).locator("table th[scope=row]").count(), 4);
    // wider than a phone's frame, the figures' table says where the rest is
    assert.equal(await p.isVisible("#wider"), name.startsWith("phone"));
    assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth),
              "the page scrolls sideways");
    for (const [where, target] of name.startsWith("phone") ? [["page", p], ["frame", answer(p)]] : []) {
      const grave = (await axe(target, where)).filter((v) => /serious|critical/.test(v.impact));
      assert.deepEqual(grave, [], where);
    }
    await p.screenshot({ path: `${shots}/usage-${name}.png`, fullPage: true });
    await p.context().close();
  });
}

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

// The summary as it comes answers: seven days from a week ago (UTC), all
// seven found.
await check("summary as it comes", async () => {
  await page.goto(base + "/");
  assert.equal(await page.inputValue("#summary input[name=datefrom]"), formdate(daysago(7)));
  await submit("summary");
  await answerwithchart(400, null);
  const d = daysago(7), start = Date.UTC(d.getUTCFullYear(), d.getUTCMonth(), d.getUTCDate());
  const week = dailyloads(records(`${site}/logs/sumout.dat`).findIndex((r) => r.t >= start), 7);
  assert.equal(week.found, 7);
  const line = new RegExp(`^Daily summary of 7 days from ${logdate(d)}, 7 found: ` +
                          "average loads received (\\d+)%, sent (\\d+)%$").exec(await page.textContent("#said"));
  assert.ok(line, await page.textContent("#said"));
  closeto(line[1], week.rx);
  closeto(line[2], week.tx);
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
  for (let i = 0; i < 40; i++) {
    await page.keyboard.press("Tab");
    stops.add(await page.evaluate(() => {
      const el = document.activeElement;
      return el.id || el.name || el.textContent.trim();
    }));
  }
  for (const stop of ["action", "vgrid", "hgrid", "logfile", "hours", "from", "to", "follow",
                      "Draw the chart", "time", "Look up", "datefrom", "days", "dates", "Summarise",
                      "Work out the usage", "answer"])
    assert.ok(stops.has(stop), `Tab never reaches ${stop}`);
  await page.focus("#load input[name=logfile]");
  await page.keyboard.type("vornout-prev.dat");
  await Promise.all([answer().waitForNavigation(), page.keyboard.press("Enter")]);
  await page.waitForFunction(() => document.activeElement === document.getElementById("answer"));
  assert.equal(new URL(answer().url()).search,
               "?action=rxloaddyn&vgrid=on&hgrid=on&logfile=vornout-prev.dat");
  // back: the last of the picture's buttons, above the answer, once drawn
  await page.waitForFunction(() => picture.graph);
  await page.keyboard.press("Shift+Tab");
  assert.equal(await page.evaluate(() => document.activeElement.id), "tousage");
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
      "select, label:has(> input[type=checkbox]), label:has(> input[type=radio]), .answerbar a",
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
  assert.equal(await submit("load", p, false),
               "action=rxloaddyn&vgrid=on&hgrid=on&logfile=&hours=&from=&to=");
  await answerwithchart(750, null, p);
  // and nothing drawn above the program's page
  assert.equal(await p.isHidden("#picture"), true);
  assert.equal(await submit("usage", p, false), "action=usage&hours=&from=&to=");
  assert.match(await answer(p).textContent("body"), /Usage from .* UTC to .* UTC:/);
  // a quick choice goes before dates typed too
  await p.selectOption("#usage select", "24");
  await p.fill("#usage [name=from]", "01/01/2020");
  assert.equal(await submit("usage", p, false), "action=usage&hours=24&from=01%2F01%2F2020&to=");
  assert.match(await answer(p).textContent("body"), /Usage from .* UTC to .* UTC:/);
  await p.context().close();
});

// The chart under the one name is asked for again every period (here 2
// seconds, from the page's address): each redraw is a new chart, as the
// device's new records widen it, told by the newest record it shows or that
// none came since; none is asked while the switch is off or the page is
// hidden.
await check("following the channel", async () => {
  await page.goto("about:blank");   // a fresh page, not the last one's hash changed
  await page.goto(base + "/#follow=2");
  assert.match(await page.textContent("#followhint"), /every 2 seconds\s+while this page is in view/);
  const action = await page.$eval("#load", (f) => new URL(f.getAttribute("action"), f.baseURI).href);
  // the charts asked, not the figures asked beside them
  let asked = 0;
  const count = (r) => { if (r.url().startsWith(action + "?") && !/[?&]format=/.test(r.url())) asked++; };
  page.on("request", count);
  const entries = await page.evaluate(() => history.length);
  // what "Last drawn" says after the next redraw (or `act`)
  const upto = (ms) => `^Last drawn up to the record of ${when(ms)} UTC$`;
  const since = (ms) => `^No new record since ${when(ms)} UTC \\(asked at \\d\\d:\\d\\d:\\d\\d UTC\\)$`;
  const drawnas = async (want, act) => {
    const before = await page.textContent("#drawn");
    await act?.();
    await page.waitForFunction(([before, want]) => {
      const now = document.getElementById("drawn").textContent;
      return now !== before && new RegExp(want).test(now);
    }, [before, want]);
  };

  const log = `${site}/logs/vornout.dat`;
  const last = records(log).at(-1).t;
  await page.focus("#follow");
  await drawnas(upto(last), () => page.keyboard.press("Space"));
  await chartsize(750);
  // the device writes three records: the next redraw is three intervals
  // wider, and the one after has nothing new
  appendFileSync(log, execFileSync(genlog, ["--count", "3", "--start", String(last / 1000 + 120)]));
  await drawnas(upto(last + 360e3));
  await chartsize(753);
  // and the picture above it, with the three new intervals
  await page.waitForFunction((n) => picture.graph?.numRows() === n, records(log).length);
  await drawnas(since(last + 360e3));
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
  await drawnas(upto(last + 360e3), () => page.keyboard.press("Space"));
  await visible(false);
  before = asked;
  await page.waitForTimeout(5000);
  assert.equal(asked, before, "asked while hidden");
  await drawnas(since(last + 360e3), () => visible(true));
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
  const sent = [], figures = [];
  const count = (r) => {
    if (r.url().startsWith(asked.split("?")[0] + "?"))
      (/[?&]format=/.test(r.url()) ? figures : sent).push(r.url());
  };
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
  // the figures of the chart's period and its intervals for the picture:
  // the same question as data
  assert.deepEqual([...new Set(figures)], [asked.replace("txloaddyn", "usage") + "&format=json",
                                           asked.replace("txloaddyn", "rxloaddyn") + "&format=json"]);
  assert.ok(seen.frames > 30, `${seen.frames} frames seen`);
  assert.equal(seen.blank, 0, `${seen.blank} of ${seen.frames} frames without a chart`);
  assert.ok(seen.scroll.length === 1 && seen.scroll[0] > 0, `the page scrolled: ${seen.scroll}`);
  const log = records(`${site}/logs/vornout.dat`);
  assert.equal(await page.textContent("#said"),
               `Load chart of sent bytes (Tx), the current log, ${span(log[0].t, log.at(-1).t)}`);
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

// --- the picture above the answer -------------------------------------------

// The intervals of a log's records, by the counter rules of the README at
// 64000 bit/s: a fall the channel could have carried modulo 2^32 is a
// wrap, else a restart that counted its new value (none it could not
// carry). The site's current log has a restart: following the channel
// appended records from 0.
const counted = (prev, cur, seconds) => {
  const capacity = 8000 * seconds, modulo = (cur - prev + 2 ** 32) % 2 ** 32;
  return cur >= prev ? cur - prev : modulo <= capacity ? modulo : cur <= capacity ? cur : 0;
};
const intervalsof = (recs) => recs.slice(1).map((r, i) => {
  const seconds = (r.t - recs[i].t) / 1000;
  return { start: recs[i].t, end: r.t, seconds, rx: counted(recs[i].rx, r.rx, seconds),
           tx: counted(recs[i].tx, r.tx, seconds) };
});
const whole = (n) => n.toLocaleString("en");
// "51.8 kbit/s" as bit/s
const bps = (text) => {
  const m = /^([\d.]+)\u00a0([kMG]?)bit\/s$/.exec(text);
  assert.ok(m, `no rate in "${text}"`);
  return +m[1] * 1000 ** " kMG".indexOf(m[2] || " ");
};
// The picture drawn for the answer in the frame: its chart (or its bars)
// with `rows` rows, the text alternative given.
async function pictured(p, rows, what = "graph") {
  await p.waitForFunction(([what, rows]) => picture[what] && picture[what].numRows() === rows &&
    (what !== "graph" || document.getElementById("livecap").textContent !== ""), [what, rows]);
}
// a point of the chart in the window, for a time (ms) and a rate
const at = async (p, t, v) => {
  await p.locator("#chart").scrollIntoViewIfNeeded();
  return p.evaluate(([t, v]) => {
  const box = document.getElementById("chart").getBoundingClientRect(), g = picture.graph;
  return [box.left + g.toDomXCoord(t), box.top + g.toDomYCoord(v)];
  }, [t, v]);
};
// the answer's question asked here as data
const asdata = async (p, query) => (await p.request.get(`${base}/cgi-bin/quorlink?${query}&format=json`)).json();

// Every point of the chart is its interval's rate from the log, drawn from
// its start; the pointer on an interval tells the log's bytes and rates;
// the text alternative names the period and the peak with its time.
await check("picture: the load chart's points and the values under the pointer are the log's", async () => {
  const p = await newpage({ ...desktop, timezoneId: "UTC" });
  const ivs = intervalsof(records(`${site}/logs/vornout.dat`));
  await ask(p, kinds.load);
  await pictured(p, ivs.length + 1);
  const points = await p.evaluate(() => Array.from({ length: picture.graph.numRows() }, (_, i) =>
    [picture.graph.getValue(i, 0), picture.graph.getValue(i, 1), picture.graph.getValue(i, 2)]));
  ivs.forEach((iv, i) => assert.deepEqual(points[i], [iv.start, iv.rx * 8 / iv.seconds, iv.tx * 8 / iv.seconds],
                                          `interval ${i}`));
  for (const k of [17, 400, ivs.length - 2]) {
    const iv = ivs[k];
    // on its point: the neighbours are a pixel and a half away
    const [x, y] = await at(p, iv.start, 1000);
    await p.mouse.move(x, y - 20);
    await p.mouse.move(x, y);
    const text = await p.textContent("#pointer");
    const m = /^(.*?): received (\S+\s\S+), sent (\S+\s\S+); ([\d,]+) and ([\d,]+) bytes in the interval$/.exec(text);
    assert.ok(m, text);
    const clock = (t) => new Date(t).toISOString().slice(11, 16);
    assert.ok(m[1].endsWith(`${clock(iv.start)} – ${clock(iv.end)}`), `${m[1]}, not interval ${k}`);
    assert.deepEqual([m[4], m[5]], [whole(iv.rx), whole(iv.tx)], text);
    for (const [shown, bytes] of [[m[2], iv.rx], [m[3], iv.tx]])
      assert.ok(Math.abs(bps(shown) - bytes * 8 / iv.seconds) <= 0.005 * bytes * 8 / iv.seconds, text);
  }
  const peak = ivs.reduce((a, b) => (b.rx > a.rx ? b : a));
  const caption = await p.textContent("#livecap");
  assert.equal(await p.getAttribute("#chart", "aria-labelledby"), "livecap");
  assert.ok(caption.includes(`${whole(ivs.length)} intervals`), caption);
  const m = /Peak received (\S+\s\S+) \((\d+)% of the channel\) in the interval to \w{3} \d\d \w{3} (\d\d:\d\d)/.exec(caption);
  assert.ok(m, caption);
  assert.ok(Math.abs(bps(m[1]) - peak.rx * 8 / 120) <= 0.005 * peak.rx * 8 / 120, caption);
  assert.equal(+m[2], Math.round(peak.rx * 8 / 120 / 640));
  assert.equal(m[3], new Date(peak.end).toISOString().slice(11, 16));
  await p.locator("#picture").screenshot({ path: `${shots}/picture-load-desktop-light.png` });
  await p.context().close();
});

// A range dragged out on the chart, then its usage: From and To are the
// range to the minute, and the figures are those of the intervals that end
// in it, as the log has them. Zoom out shows the whole again.
await check("picture: a zoomed range's usage", async () => {
  const p = await newpage({ ...desktop, timezoneId: "UTC" });
  const ivs = intervalsof(records(`${site}/logs/vornout.dat`));
  await ask(p, kinds.load);
  await pictured(p, ivs.length + 1);
  assert.equal(await p.isDisabled("#zoomout"), true);
  const drag = async () => {
    const [x1, y] = await at(p, ivs[100].start + 40e3, 1000), [x2] = await at(p, ivs[250].start + 70e3, 1000);
    await p.mouse.move(x1, y);
    await p.mouse.down();
    await p.mouse.move((x1 + x2) / 2, y, { steps: 5 });
    await p.mouse.move(x2, y, { steps: 5 });
    await p.mouse.up();
    await p.waitForFunction(() => picture.graph.isZoomed("x"));
    return p.evaluate(() => picture.graph.xAxisRange());
  };
  await drag();
  await p.click("#zoomout");
  await p.waitForFunction(() => !picture.graph.isZoomed("x"));
  assert.equal(await p.textContent("#tousage"), "Usage of the whole chart");
  const [a, b] = await drag();
  assert.equal(await p.textContent("#tousage"), "Usage of the range shown");
  const from = Math.floor(a / 60e3) * 60e3, to = Math.ceil(b / 60e3) * 60e3;
  const minute = (t) => `${formdate(new Date(t))} ${new Date(t).toISOString().slice(11, 16)}`;
  await Promise.all([answer(p).waitForNavigation(), p.click("#tousage")]);
  await p.waitForFunction(() => document.getElementById("said").textContent.startsWith("Usage, "));
  assert.deepEqual(await p.$eval("#usage", (f) => [f.elements.hours.value, f.elements.from.value, f.elements.to.value]),
                   ["", minute(from), minute(to)]);
  const asked = new URL(answer(p).url()).searchParams;
  assert.deepEqual([asked.get("action"), asked.get("from"), asked.get("to")], ["usage", minute(from), minute(to)]);
  const inrange = ivs.filter((iv) => iv.end >= from && iv.end < to);
  const f = (await asdata(p, `action=usage&from=${encodeURIComponent(minute(from))}&to=${encodeURIComponent(minute(to))}`)).figures;
  assert.deepEqual([f.intervals, f.rx.bytes, f.tx.bytes],
                   [inrange.length, inrange.reduce((n, iv) => n + iv.rx, 0), inrange.reduce((n, iv) => n + iv.tx, 0)]);
  assert.ok(inrange.length >= 140 && inrange.length <= 160, `${inrange.length} intervals in the range`);
  // the usage answer is drawn too: the range's intervals, and its tables
  await pictured(p, inrange.length + 1);
  await p.waitForFunction(() => !document.getElementById("tables").hidden);
  await p.context().close();
});

// The time axis in the viewer's zone, a date at each local midnight; the
// UTC switch (a button, remembered) puts it in UTC. Each label is the time
// at its place on the axis in that zone, across New York's change of
// offset too.
for (const tz of ["America/New_York", "Asia/Kolkata"]) {
  await check(`picture: the time axis in local time, ${tz}, and in UTC`, async () => {
    const p = await newpage({ ...desktop, timezoneId: tz });
    const labels = () => p.evaluate(() => {
      const box = document.getElementById("chart").getBoundingClientRect();
      return [...document.querySelectorAll("#chart .dygraph-axis-label-x")].map((el) => {
        const r = el.getBoundingClientRect();
        return [el.textContent.replace(/\u00a0/g, " "), picture.graph.toDataXCoord(r.left + r.width / 2 - box.left)];
      });
    });
    const check = async (zone) => {
      const found = await labels();
      assert.ok(found.length >= 6, `${found.length} labels`);
      const clock = new Intl.DateTimeFormat("en-GB", { timeZone: zone, hour: "2-digit", minute: "2-digit",
                                                       hourCycle: "h23" });
      const day = new Intl.DateTimeFormat("en-GB", { timeZone: zone, day: "2-digit", month: "short" });
      let dates = 0;
      for (const [text, t] of found) {
        // the label's middle is its tick within a pixel: a minute or two
        const tick = Math.round(t / 900e3) * 900e3;
        if (/^\d\d:\d\d$/.test(text))
          assert.equal(text, clock.format(tick), `${zone}: ${text} at ${new Date(t).toISOString()}`);
        else {
          dates++;
          assert.deepEqual([text, clock.format(tick)], [day.format(tick), "00:00"], `${zone}: ${text}`);
        }
      }
      assert.ok(dates >= 1, `${zone}: no date on the axis`);
    };
    await ask(p, { form: "load", fields: { "[name=logfile]": "dst.dat" } });
    await pictured(p, 721);
    assert.equal(await p.getAttribute("#utc", "aria-pressed"), "false");
    await check(tz);
    assert.match(await p.textContent("#livecap"), new RegExp(`\\(local time, [^,]+, UTC[+−]\\d\\d:\\d\\d\\)`));
    await p.click("#utc");
    assert.equal(await p.getAttribute("#utc", "aria-pressed"), "true");
    await check("UTC");
    assert.match(await p.textContent("#livecap"), /\(UTC\)/);
    // remembered on the next visit, and switched back
    await p.reload();
    assert.equal(await p.getAttribute("#utc", "aria-pressed"), "true");
    await p.context().close();
  });
}

// Usage over a week in a zone of a whole-hour offset and one of a half
// hour: the tables come from steps of an hour or a quarter; each day's
// totals are those of action=usage over that local day within the period;
// the hours and months add up to the period's figures; months may start
// on another day, remembered.
for (const [tz, step] of [["America/New_York", "3600"], ["Asia/Kolkata", "900"]]) {
  await check(`picture: usage tables by hour, day and month, ${tz}`, async () => {
    const p = await newpage({ ...desktop, timezoneId: tz });
    const steps = [];
    p.on("request", (r) => { const u = new URL(r.url()); if (u.searchParams.has("step")) steps.push(u.searchParams.get("step")); });
    // from the day before yesterday to tomorrow (UTC): the current log and
    // its archive of the day before, local days cut at both ends
    await ask(p, { form: "usage", fields: { "[name=from]": formdate(daysago(2)), "[name=to]": formdate(daysago(-1)) } });
    await p.waitForFunction(() => !document.getElementById("tables").hidden &&
                                  document.querySelector("#byday tbody tr"));
    // the chart's own steps are asked beside them
    assert.ok(steps.includes(step) && !steps.includes(step === "900" ? "3600" : "900"), steps.join());
    const question = new URL(answer(p).url()).search.slice(1);
    const whole = await asdata(p, question);
    const [pfrom, pto] = [Date.parse(whole.from), Date.parse(whole.to)];
    const table = (id) => p.$$eval(`#${id} tbody tr`, (trs) => trs.map((tr) =>
      [tr.querySelector("th").textContent, ...[...tr.querySelectorAll("data")].map((d) => +d.value)]));
    const days = await table("byday");
    assert.ok(days.length >= 2, `${days.length} days`);
    // a local day's midnight in UTC: the zone's offset at it, found by
    // formatting
    const offset = (t) => {
      const f = new Intl.DateTimeFormat("en-US", { timeZone: tz, hourCycle: "h23", year: "numeric", month: "2-digit",
                                                   day: "2-digit", hour: "2-digit", minute: "2-digit" });
      const q = Object.fromEntries(f.formatToParts(t).map((x) => [x.type, x.value]));
      return Date.UTC(q.year, q.month - 1, q.day, q.hour, q.minute) - Math.floor(t / 60e3) * 60e3;
    };
    const midnight = (y, m, d) => { const guess = Date.UTC(y, m, d); return guess - offset(guess - offset(guess)); };
    const months = { Jan: 0, Feb: 1, Mar: 2, Apr: 3, May: 4, Jun: 5, Jul: 6, Aug: 7, Sep: 8, Oct: 9, Nov: 10, Dec: 11 };
    const bound = (t) => encodeURIComponent(`${formdate(new Date(t))} ${new Date(t).toISOString().slice(11, 16)}`);
    for (const [name, rx, tx, both] of days) {
      const [, d, mon, y] = /^\w{3} (\d\d) (\w{3}) (\d{4})$/.exec(name);
      const a = Math.max(midnight(+y, months[mon], +d), pfrom), b = Math.min(midnight(+y, months[mon], +d + 1), pto);
      const f = (await asdata(p, `action=usage&from=${bound(a)}&to=${bound(b)}`)).figures;
      assert.deepEqual([rx, tx, both], [f.rx.bytes, f.tx.bytes, f.total.bytes], `${tz}: ${name}`);
    }
    const sum = (rows, i) => rows.reduce((n, r) => n + r[i], 0);
    const hours = await table("byhour"), bymonth = await table("bymonth"), top = await table("topdays");
    assert.equal(hours.length, 24);
    for (const rows of [hours, bymonth, days])
      assert.deepEqual([sum(rows, 1), sum(rows, 2)], [whole.figures.rx.bytes, whole.figures.tx.bytes]);
    assert.deepEqual(top, [...days].sort((a, b) => b[3] - a[3]).slice(0, 10));
    await p.selectOption("#monthstart", "15");
    const named = (await table("bymonth")).map((r) => r[0]);
    assert.ok(named.every((n) => /^15 \w{3} \d{4} – 14 \w{3} \d{4}$/.test(n)), named.join("; "));
    await p.reload();
    assert.equal(await p.inputValue("#monthstart"), "15");
    await p.context().close();
  });
}

// A summary: a bar and a table row for each of its days, each the day's
// data.
await check("picture: the summary's days as bars and a table", async () => {
  const p = await newpage(desktop);
  await ask(p, kinds.summary);
  const { days } = await asdata(p, new URL(answer(p).url()).search.slice(1));
  await pictured(p, days.length, "bargraph");
  const rows = await p.$$eval("#daytable tbody tr", (trs) => trs.map((tr) => [...tr.children].map((c) =>
    c.querySelector("data") ? +c.querySelector("data").value : c.textContent)));
  assert.deepEqual(rows.map((r) => [r[1], r[2], r[3], r[4]]),
                   days.map((d) => [d.rx_bytes, `${d.rx_percent.toFixed(1)}%`, d.tx_bytes, `${d.tx_percent.toFixed(1)}%`]));
  assert.deepEqual(await p.evaluate(() => Array.from({ length: picture.bargraph.numRows() }, (_, i) =>
    [picture.bargraph.getValue(i, 1), picture.bargraph.getValue(i, 2)])), days.map((d) => [d.rx_bytes, d.tx_bytes]));
  await p.locator("#picture").screenshot({ path: `${shots}/picture-days-desktop-light.png` });
  await p.context().close();
});

// A data answer's warnings, plain sentences, are shown beside the answer
// as text; keys the page does not know are passed over.
await check("picture: a data answer's warnings shown as text", async () => {
  const p = await newpage(desktop);
  await p.route(/format=json/, async (route) => {
    const reply = await route.fetch();
    const data = await reply.json();
    await route.fulfill({ response: reply, json: { ...data, warnings: ["A <b>record</b> was cut short."],
                                                   not_read: [{ log: "x", why: "y" }] } });
  });
  await ask(p, kinds.load);
  await pictured(p, records(`${site}/logs/vornout.dat`).length);
  assert.deepEqual(await p.$$eval("#warnings li", (lis) => lis.map((li) => [li.textContent, li.children.length])),
                   [["A <b>record</b> was cut short.", 0]]);
  await p.context().close();
});

// At a phone's width and in the dark: the chart fills the width, the
// tables scroll in their boxes, never the page; axe-core finds nothing
// serious (contrast among it).
for (const [name, options] of [["phone-light", phone], ["phone-dark", { ...phone, ...dark }],
                               ["desktop-dark", { ...desktop, ...dark }]]) {
  await check(`picture: ${name}`, async () => {
    const p = await newpage({ ...options, timezoneId: "Asia/Kolkata" });
    for (const [kind, shot] of [[kinds.usage, "usage"], [kinds.summary, "days"]]) {
      await ask(p, kind);
      await p.waitForFunction((usage) => usage ? !document.getElementById("tables").hidden &&
        picture.graph : picture.bargraph, shot === "usage");
      const sizes = await p.evaluate((id) => [document.getElementById(id).getBoundingClientRect().width,
        document.querySelector("main").clientWidth, document.documentElement.scrollWidth <= innerWidth],
        shot === "usage" ? "chart" : "bars");
      assert.ok(sizes[0] >= sizes[1] - 2, `the chart is ${sizes[0]} wide in ${sizes[1]}`);
      assert.ok(sizes[2], "the page scrolls sideways");
      const grave = (await axe(p, "page")).filter((v) => /serious|critical/.test(v.impact));
      assert.deepEqual(grave, [], `${name} ${shot}`);
      await p.locator("#picture").screenshot({ path: `${shots}/picture-${shot}-${name}.png` });
    }
    await p.context().close();
  });
}

// The time the page's script takes from a chart's data coming to the
// chart drawn, for the speed table in bench/README.md (not a test of it):
// a year in hours, a week in intervals.
await check("picture: a year in steps of an hour, a week in intervals; draw times", async () => {
  const p = await newpage({ ...desktop, timezoneId: "UTC" });
  const times = {};
  // the year's hours, the first and the last with an interval or more
  for (const [log, rows, step] of [["year.dat", 8762, "3600"], ["week.dat", 5041, null]]) {
    const asked = [];
    p.on("request", (r) => { if (r.url().includes(`logfile=${log}`)) asked.push(new URL(r.url()).searchParams.get("step")); });
    times[log] = [];
    for (let i = 0; i < 5; i++) {
      await ask(p, { form: "load", fields: { "[name=logfile]": log } });
      await pictured(p, rows);
      times[log].push(await p.evaluate(() => performance.getEntriesByName("picture-drawn").at(-1).duration));
    }
    assert.ok(asked.includes(step), `${log}: steps asked ${asked}`);
  }
  const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
  console.log(`picture drawn after its data came, median of 5 (ms): year in hours ${median(times["year.dat"]).toFixed(1)} ` +
              `(${times["year.dat"].map((t) => t.toFixed(0)).join(", ")}), week of intervals ` +
              `${median(times["week.dat"]).toFixed(1)} (${times["week.dat"].map((t) => t.toFixed(0)).join(", ")})`);
  await p.context().close();
});

await check("no console errors", () => assert.deepEqual(errors, []));

console.log("axe-core, by where, impact and rule (pages checked):",
            Object.entries(axecounts).map(([k, n]) => `${k} ${n}`).join(", ") || "none");

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
