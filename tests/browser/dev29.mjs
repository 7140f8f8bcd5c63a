import { chromium } from "playwright-core";
const [base, what, tz, scheme, width] = process.argv.slice(2);
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox", "--disable-gpu"] });
const ctx = await browser.newContext({ viewport: { width: +(width || 1280), height: 900 }, timezoneId: tz || "UTC", colorScheme: scheme || "light" });
const p = await ctx.newPage();
p.on("console", (m) => console.log("console:", m.type(), m.text()));
p.on("pageerror", (e) => console.log("pageerror:", e.message));
await p.goto(base + "/");
if (what === "usage") { await p.selectOption("#usage select", "168"); await p.click("#usage button[type=submit]"); }
else if (what === "summary") { await p.fill("#summary [name=days]", "30"); await p.click("#summary button[type=submit]"); }
else await p.click("#load button[type=submit]");
await p.waitForTimeout(2500);
console.log(await p.textContent("#said"));
console.log("caption:", await p.textContent("#livecap"));
console.log(await p.evaluate(() => performance.getEntriesByName("picture-drawn").map((e) => e.duration)));
await p.screenshot({ path: `/tmp/shots29/${what}-${scheme || "light"}-${width || 1280}.png`, fullPage: true });
await browser.close();
