// The overview of every channel, in Debian's chromium, through the
// package's Apache: a card a channel in the order of its list, each card's
// figures those of its own log as worked out here from the records (the
// newest record and its age, the load now, today's bytes, the month's
// 95th percentile, the last 24 hours), the stale channel said to be so,
// each card's link to its channel's page, which names its channel; a
// channel whose clock runs ahead, and one that does not answer, say so, and
// an answer's warnings stand on its card;
// axe-core on a desktop and a phone, light and dark.
// Usage: node overview.mjs OVERVIEW-URL SCREENSHOT-FOLDER ROOT STALE-CHANNEL CHANNEL...
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import { readFileSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";

const [base, shots, root, stale, ...names] = process.argv.slice(2);
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
         "--disable-component-update", "--disable-sync"],
});
const desktop = { viewport: { width: 1280, height: 800 } };
const phone = { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true,
                deviceScaleFactor: 2 };
const dark = { colorScheme: "dark" };
const errors = [];
async function overview(options) {
  const p = await (await browser.newContext(options)).newPage();
  p.on("console", (m) => { if (m.type() === "error") errors.push(`${m.text()} (${m.location().url})`); });
  p.on("pageerror", (e) => errors.push(e.message));
  await p.goto(base);
  await p.waitForFunction(() => /^\d+ channels?/.test(document.getElementById("said").textContent));
  return p;
}

const axesource = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
async function grave(p) {
  await p.addScriptTag({ content: axesource });
  return p.evaluate(async () => (await axe.run(document, { resultTypes: ["violations"] })).violations
    .filter((v) => /serious|critical/.test(v.impact)).map((v) => `${v.id}: ${v.nodes.length}`));
}

// A channel's records, and what its card should say, worked out from them
// by the rules the figures follow: an interval counts the counters' rise
// (modulo 2^32) from the record before it and belongs to the period of the
// record that ends it; the 95th percentile sets the highest
// floor(n * 5 / 100) rates aside.
const records = (name) => [...readFileSync(`${root}/var/lib/quorlink/${name}/logs/vornout.dat`, "latin1")
  .matchAll(/^time=(\d+)\n(?:.*\n)*?Rx bytes: (\d+)\n(?:.*\n)*?Tx bytes: (\d+)$/gm)]
  .map((m) => ({ t: +m[1] * 1000, rx: +m[2], tx: +m[3] }));
function intervals(recs) {
  return recs.slice(1).map((r, i) => ({ t: r.t, seconds: (r.t - recs[i].t) / 1000,
    rx: (r.rx - recs[i].rx + 2 ** 32) % 2 ** 32, tx: (r.tx - recs[i].tx + 2 ** 32) % 2 ** 32 }));
}
const now = new Date();
const midnight = Date.UTC(now.getUTCFullYear(), now.getUTCMonth(), now.getUTCDate());
const monthstart = Date.UTC(now.getUTCFullYear(), now.getUTCMonth());
function p95(list, key) {
  const rates = list.map((i) => i[key] * 8 / i.seconds).sort((a, b) => b - a);
  return rates[Math.floor(rates.length * 5 / 100)];
}
// the numbers of a card's line, each in bit/s or bytes
const units = { "bit/s": 1, "kbit/s": 1e3, "Mbit/s": 1e6, "Gbit/s": 1e9, bytes: 1, KB: 1e3, MB: 1e6,
                GB: 1e9, TB: 1e12 };
const quantities = (text) => [...text.matchAll(/([\d.]+)\u00a0(\S+?)(?=[ ,)]|$)/g)]
  .map((m) => ({ value: +m[1] * units[m[2]], unit: units[m[2]] }));
const near = (shown, worked, what) => assert.ok(
  Math.abs(shown.value - worked) <= Math.max(shown.unit * 0.05, worked * 0.005) + 1e-9,
  `${what}: ${shown.value} shown, ${worked} worked out`);
const recordtime = (ms) => {
  const parts = new Date(ms).toUTCString().split(" ");
  return `${parts[0].slice(0, 3)} ${parts[1]} ${parts[2]}` +
         (new Date(ms).getUTCFullYear() !== now.getUTCFullYear() ? " " + parts[3] : "") +
         ` ${parts[4].slice(0, 5)}`;
};

const page = await overview(desktop);
const card = (name) => page.locator(".channel", { has: page.locator(".name", { hasText: new RegExp(`^${name}$`) }) });

await check("a card a channel, in the list's order, each linked to its page", async () => {
  assert.equal(await page.title(), "VORN-NX channels");
  assert.deepEqual(await page.$$eval(".channel .name", (as) => as.map((a) => [a.textContent, a.href])),
                   names.map((n) => [n, new URL(`${n}/`, base).href]));
  assert.equal(await page.textContent("#said"), `${names.length} channels: 1 stale`);
  await page.screenshot({ path: `${shots}/overview.png`, fullPage: true });
});

for (const name of names) {
  await check(`the card of ${name}: its own log's figures`, async () => {
    const recs = records(name), all = intervals(recs), last = all.at(-1);
    const c = card(name);
    const text = async (sel) => (await c.locator(sel).textContent()).trim();
    const age = Math.floor((Date.now() - last.t) / 60000);
    assert.match(await text(".newest"), new RegExp(`^${recordtime(last.t)} UTC, `));
    // a stale channel's load is its newest interval's, said as such
    assert.equal((await text(".now")).startsWith("not known; at the newest record received "), name === stale);
    const [rxnow, txnow] = quantities(await text(".now"));
    near(rxnow, last.rx * 8 / last.seconds, "received now");
    near(txnow, last.tx * 8 / last.seconds, "sent now");
    const today = all.filter((i) => i.t >= midnight);
    if (today.length) {
      const [rx, tx] = quantities(await text(".today"));
      near(rx, today.reduce((s, i) => s + i.rx, 0), "received today");
      near(tx, today.reduce((s, i) => s + i.tx, 0), "sent today");
    } else
      assert.equal(await text(".today"), "no interval yet today");
    const month = all.filter((i) => i.t >= monthstart);
    if (month.length) {
      const [rx, tx] = quantities(await text(".p95"));
      near(rx, p95(month, "rx"), "received 95th percentile");
      near(tx, p95(month, "tx"), "sent 95th percentile");
    } else
      assert.equal(await text(".p95"), "no interval yet this month");
    // the last 24 hours up to the newest record: a point per interval, and
    // a caption that says when and the peaks, tied to the chart
    const day = all.filter((i) => i.t > last.t - 86400e3);
    assert.equal((await c.locator("polyline.tx").getAttribute("points")).split(" ").length, day.length);
    const caption = await text("figcaption");
    assert.ok(caption.startsWith(`The 24 hours to ${recordtime(last.t)} UTC: received (the area) at most `),
              caption);
    near(quantities(caption)[0], Math.max(...day.map((i) => i.rx * 8 / i.seconds)), "received peak");
    assert.equal(await c.locator("svg").getAttribute("aria-labelledby"),
                 await c.locator("figcaption").getAttribute("id"));
    // stale: older than the server's clock by more than an hour and 30 intervals
    if (name === stale) {
      assert.match(await text(".note"), new RegExp(`^Stale: the newest record is ${Math.floor(age / 1440)} ` +
                                                   "days old: is the device still writing"));
      assert.equal(await c.evaluate((el) => el.classList.contains("late")), true);
    } else
      assert.equal(await c.locator(".note").isVisible(), false, await text(".note"));
  });
}

await check("a card's link opens its channel's page, which names its channel", async () => {
  const name = names[1];
  await Promise.all([page.waitForNavigation(), card(name).locator(".name").click()]);
  assert.equal(page.url(), new URL(`${name}/`, base).href);
  assert.equal(await page.title(), `Channel ${name} · VORN-NX channel report`);
  assert.equal(await page.textContent("h1"), `Channel ${name}`);
  assert.equal(await page.$eval("#load", (f) => new URL(f.getAttribute("action"), f.baseURI).href),
               new URL(`${name}/cgi-bin/quorlink`, base).href);
});

for (const [look, options] of [["desktop-light", desktop], ["desktop-dark", { ...desktop, ...dark }],
                               ["phone-light", phone], ["phone-dark", { ...phone, ...dark }]]) {
  await check(`${look}: axe-core finds nothing serious, nothing scrolls sideways`, async () => {
    const p = await overview(options);
    assert.deepEqual(await grave(p), []);
    assert.ok(await p.evaluate(() => document.documentElement.scrollWidth <= innerWidth), "sideways");
    if (look.startsWith("phone"))
      assert.deepEqual(await p.$$eval(".name", (as) => as.filter((a) =>
        a.getBoundingClientRect().height < 44).map((a) => a.textContent)), []);
    if (look.endsWith("dark"))
      assert.ok(await p.evaluate(() => getComputedStyle(document.body).backgroundColor) === "rgb(20, 24, 29)");
    await p.screenshot({ path: `${shots}/overview-${look}.png`, fullPage: true });
    await p.context().close();
  });
}

// warnings that a data answer carries stand on the card as text, and a
// key the page does not know changes nothing (the answers here have none:
// the browser adds them on their way)
await check("a data answer's warnings stand on its card as text", async () => {
  const p = await (await browser.newContext(desktop)).newPage();
  const said = "bandwith=2000000 (line 3) is no setting of this program: <b>64000</b> taken";
  await p.route(new URL(`${names[1]}/cgi-bin/quorlink?*`, base).href, async (route) => {
    const reply = await route.fetch();
    await route.fulfill({ response: reply, json: { ...await reply.json(), warnings: [said],
                                                    unknown: { key: [1, 2] } } });
  });
  await p.goto(base);
  await p.waitForFunction(() => /^\d+ channels?/.test(document.getElementById("said").textContent));
  const c = p.locator(".channel").nth(1);
  assert.equal(await c.locator(".warnings").textContent(), said);
  assert.equal(await c.locator(".warnings b").count(), 0);
  assert.equal(await p.locator(".warnings:visible").count(), 1);
  assert.match(await c.locator(".today").textContent(), /^received [\d.]+\u00a0[KMG]B, sent /);
  await p.context().close();
});

// a record 20 minutes later than the server's clock, as a device whose
// clock runs ahead writes it: the card says so
await check("a channel whose newest record is ahead of the server's clock says so", async () => {
  const name = names[1], log = `${root}/var/lib/quorlink/${name}/logs/vornout.dat`;
  const kept = readFileSync(log, "latin1");
  const lastblock = kept.slice(kept.lastIndexOf("time="));
  const ahead = Math.floor(Date.now() / 1000) + 1200;
  writeFileSync(log, kept + lastblock.replace(/^time=\d+/, `time=${ahead}`)
    .replace(/^(Rx|Tx) bytes: (\d+)$/gm, (_, d, n) => `${d} bytes: ${+n + 1000}`), "latin1");
  try {
    const p = await overview(desktop);
    assert.equal(await p.textContent("#said"), `${names.length} channels: 1 stale, 1 ahead of the server's clock`);
    assert.match(await p.locator(".channel").nth(1).locator(".note").textContent(),
                 /^Ahead: the newest record is (19|20) min later than the server's clock: is the device's clock ahead\?$/);
    await p.context().close();
  } finally {
    writeFileSync(log, kept, "latin1");
  }
});

// a channel in the list whose folder has gone: its card says what its
// program answered, the others are as they were
await check("a channel that does not answer says what its program answered", async () => {
  const list = `${root}/var/lib/quorlink/channels.json`, kept = readFileSync(list, "utf8");
  const gone = JSON.parse(kept);
  gone.channels.push({ name: "gone", page: "gone/", program: "gone/cgi-bin/quorlink" });
  writeFileSync(list, JSON.stringify(gone));
  try {
    const p = await overview(desktop);
    assert.equal(await p.textContent("#said"), `${names.length + 1} channels: 1 stale, 1 not answering`);
    const c = p.locator(".channel").last();
    assert.equal((await c.locator(".failed").textContent()).trim(),
                 "No figures: the program answered 404 Not Found.");
    assert.equal(await c.locator("figure").isVisible(), false);
    await p.context().close();
  } finally {
    writeFileSync(list, kept);
  }
  // the one error the page may have: the missing program's answer
  const missing = errors.filter((e) => /404/.test(e) && /gone\/cgi-bin/.test(e));
  assert.ok(missing.length > 0, "no 404 seen");
  errors.splice(0, errors.length, ...errors.filter((e) => !missing.includes(e)));
});

await check("no console errors", () => assert.deepEqual(errors, []));
await browser.close();
console.log(`overview: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
