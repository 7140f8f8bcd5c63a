// The picture above the answer: the same question asked as data
// (format=json) and drawn here with dygraphs, the program's page left as it
// is below it. A load chart or a usage answer gets its period's received and
// sent rates in bit/s, in the viewer's local time or UTC; a usage answer
// also its traffic by hour of day, by day, by month and its busiest days; a
// summary a bar and a row for each day. Without dygraphs (or scripts) only
// the program's page is there.
"use strict";
const picture = (() => {
  const $ = (id) => document.getElementById(id);
  const box = $("picture"), warnings = $("warnings");
  const live = $("live"), chart = $("chart"), caption = $("livecap"), pointer = $("pointer");
  const peakkey = $("peakkey"), zoomout = $("zoomout"), utcswitch = $("utc"), tousage = $("tousage");
  const perday = $("perday"), bars = $("bars"), barcap = $("barcap"), barpointer = $("barpointer");
  const daytable = $("daytable"), tables = $("tables"), monthstart = $("monthstart");
  const usageform = $("usage");
  const drawable = typeof Dygraph === "function";

  // Longer periods than a week are asked in steps, so that a chart holds
  // at most about this many points: steps that divide an hour or a day,
  // from the epoch, so that they fall on the hours of the viewer's zone.
  const MOSTPOINTS = 10000, WEEK = 7 * 86400;
  const STEPS = [300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800];

  // settings the viewer chose, kept between visits; a browser that keeps
  // nothing (storage off) keeps them for the visit
  const kept = (name, fallback) => {
    try { return localStorage.getItem("quorlink." + name) ?? fallback; } catch { return fallback; }
  };
  const keep = (name, value) => {
    try { localStorage.setItem("quorlink." + name, value); } catch { /* for this visit only */ }
  };
  let utc = kept("utc", "no") === "yes";

  // --- time, in the viewer's zone or UTC --------------------------------
  const DAYS = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"];
  const MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"];
  const two = (n) => String(n).padStart(2, "0");
  // the parts of a time (ms) as the chart's axis reads them
  const parts = (ms) => {
    const d = new Date(ms);
    return utc ? { y: d.getUTCFullYear(), m: d.getUTCMonth(), d: d.getUTCDate(), wd: d.getUTCDay(),
                   h: d.getUTCHours(), min: d.getUTCMinutes() }
               : { y: d.getFullYear(), m: d.getMonth(), d: d.getDate(), wd: d.getDay(),
                   h: d.getHours(), min: d.getMinutes() };
  };
  const clocktext = (ms) => { const p = parts(ms); return `${two(p.h)}:${two(p.min)}`; };
  const daytext = (ms, year) => {
    const p = parts(ms);
    return `${DAYS[p.wd]} ${two(p.d)} ${MONTHS[p.m]}` + (year ? ` ${p.y}` : "");
  };
  const whentext = (ms, year) => `${daytext(ms, year)} ${clocktext(ms)}`;
  // "UTC" or "local time, Asia/Kolkata, UTC+05:30" (the offset at that time)
  const offsettext = (ms) => {
    const off = -new Date(ms).getTimezoneOffset();
    return `UTC${off < 0 ? "−" : "+"}${two(Math.floor(Math.abs(off) / 60))}:${two(Math.abs(off) % 60)}`;
  };
  const zonetext = (ms) => utc ? "UTC" :
    `local time, ${Intl.DateTimeFormat().resolvedOptions().timeZone}, ${offsettext(ms)}`;
  // a span of two times, the second without its day when it is the first's
  const spantext = (a, b) => {
    const year = parts(a).y !== parts(b).y;
    return `${whentext(a, year)} – ${daytext(a, year) === daytext(b, year) ? clocktext(b) :
                                      whentext(b, year)}`;
  };

  // --- numbers -------------------------------------------------------------
  const PREFIXES = ["", "k", "M", "G", "T", "P"];
  // three significant digits and an SI prefix, trailing zeros dropped:
  // 51834 as "51.8 k", 20000 as "20 k"
  const si = (v) => {
    let i = 0;
    while (Math.abs(v) >= 999.5 && i < PREFIXES.length - 1) {
      v /= 1000;
      i++;
    }
    const digits = Math.abs(v) >= 99.95 ? 0 : Math.abs(v) >= 9.995 ? 1 : 2;
    return `${Number(v.toFixed(digits))}\u00a0${PREFIXES[i]}`;
  };
  const rate = (bps) => si(bps) + "bit/s";
  const bytes = (n) => n < 1000 ? `${n}\u00a0B` : si(n) + "B";
  const whole = (n) => Number(n).toLocaleString("en");
  const percent = (v) => v === null || v === undefined ? "–" : `${Number(v).toFixed(1)}%`;

  // --- colours, the page's own for either scheme -----------------------------
  const colour = (name) => getComputedStyle(document.documentElement).getPropertyValue(name).trim();
  const palette = () => ({ rx: colour("--rx"), tx: colour("--tx"), rxpeak: colour("--rxpeak"),
                           txpeak: colour("--txpeak"), bw: colour("--bw"),
                           grid: colour("--line"), ink: colour("--soft"), veil: colour("--veil") });

  // --- the data answers ---------------------------------------------------------
  // The same question as data: the answer's parameters, another action,
  // format=json, a step where asked. Keys the page does not know are left
  // alone; "warnings", plain sentences, are shown beside the answer.
  function dataurl(href, action, step) {
    const url = new URL(href);
    url.searchParams.set("action", action);
    url.searchParams.delete("step");
    if (step)
      url.searchParams.set("step", step);
    url.searchParams.set("format", "json");
    return url.href;
  }
  async function fetchjson(href, signal, mark) {
    const reply = await fetch(href, { cache: "no-store", signal });
    const text = await reply.text();
    if (mark)
      performance.mark(mark);
    const data = JSON.parse(text);
    if (!reply.ok)
      throw new Error(data.error || `the server answered ${reply.status}`);
    return data;
  }
  function warn(data) {
    for (const sentence of Array.isArray(data?.warnings) ? data.warnings : []) {
      if ([...warnings.children].some((li) => li.textContent === String(sentence)))
        continue;
      const li = document.createElement("li");
      li.textContent = String(sentence);
      warnings.append(li);
    }
    warnings.hidden = warnings.children.length === 0;
  }

  // The step a period is drawn in: none up to a week, else the shortest
  // that keeps the chart within its points and is no shorter than the log's
  // interval.
  function stepfor(figures, interval) {
    const seconds = (Date.parse(figures.last) - Date.parse(figures.first)) / 1000;
    if (seconds <= WEEK + interval)
      return 0;
    return STEPS.find((s) => s >= interval && seconds / s <= MOSTPOINTS) ?? STEPS.at(-1);
  }

  // --- the live chart ------------------------------------------------------------
  let graph = null, shown = null, bandwidth = 0;

  // A row a point: the start of its interval or step, where its rate is
  // drawn from until the next one starts. A step is its average rate and,
  // a fainter line above it, its peak interval's, so that a year's busiest
  // two minutes stay in view (dygraphs' custom bars would shade between
  // them, at four times the time to draw a year). A closing row at the
  // last end.
  function rowsof(series) {
    const rows = [], items = series.items;
    for (const it of items) {
      const bps = (b) => b * 8 / it.seconds;
      rows.push(series.step ? [new Date(it.start), bps(it.rx), bps(it.tx), it.rxpeak, it.txpeak] :
                              [new Date(it.start), bps(it.rx), bps(it.tx)]);
    }
    if (items.length)
      rows.push([new Date(items.at(-1).end), ...rows.at(-1).slice(1)]);
    return rows;
  }

  // The answer's items: an interval ends at its record and covers its
  // seconds; a step starts at its time and covers up to step_s seconds,
  // of which its intervals fill `seconds`.
  function itemsof(data) {
    if (data.steps)
      return { step: data.step_s, items: data.steps.map((s) => {
        const start = Date.parse(s.time);
        return { start, end: start + data.step_s * 1000, seconds: s.seconds, rx: s.rx_bytes,
                 tx: s.tx_bytes, rxpeak: s.rx_peak_bps, txpeak: s.tx_peak_bps };
      }) };
    return { step: 0, items: (data.intervals || []).filter((iv) => iv.seconds > 0).map((iv) => {
      const end = Date.parse(iv.time);
      return { start: end - iv.seconds * 1000, end, seconds: iv.seconds, rx: iv.rx_bytes,
               tx: iv.tx_bytes };
    }) };
  }

  // What is under the pointer: the interval's or step's times, both rates
  // and the bytes.
  function pointed(i) {
    const it = shown.items[Math.min(i, shown.items.length - 1)];
    if (!it)
      return;
    const r = (b) => rate(b * 8 / it.seconds);
    const gap = !shown.step && it.seconds > 1.5 * shown.interval ?
      ` (a gap in the log: ${Math.round(it.seconds / 60)} min)` : "";
    pointer.textContent = shown.step ?
      `${spantext(it.start, it.end)}: received ${r(it.rx)} on average, peak ${rate(it.rxpeak)}; ` +
      `sent ${r(it.tx)}, peak ${rate(it.txpeak)}; ${whole(it.rx)} and ${whole(it.tx)} bytes` :
      `${spantext(it.start, it.end)}${gap}: received ${r(it.rx)}, sent ${r(it.tx)}; ` +
      `${whole(it.rx)} and ${whole(it.tx)} bytes in the interval`;
  }
  const pointerhint = "Point at the chart for the values of an interval; drag across it to zoom " +
                      "in, double-click or Zoom out to see it all.";

  // The text alternative: what the chart shows, its period and its peaks.
  function describe(figures, series) {
    const first = Date.parse(figures.first), last = Date.parse(figures.last);
    const peak = (flow) => `${rate(flow.peak_bps)}` +
      (flow.peak_percent !== null ? ` (${Math.round(flow.peak_percent)}% of the channel)` : "") +
      ` in the interval to ${whentext(Date.parse(flow.peak_time), parts(first).y !== parts(last).y)}`;
    const what = series.step ? `the average of each ${series.step / 60}-minute step, and the ` +
      "rate of its busiest interval as a fainter line" :
      `${whole(figures.intervals)} intervals`;
    caption.textContent = `Received and sent, in bit/s, ${spantext(first, last)} ` +
      `(${zonetext(last)}): ${what}. Peak received ${peak(figures.rx)}; ` +
      `peak sent ${peak(figures.tx)}.` +
      (bandwidth > 0 ? ` The dashed line is the channel's bandwidth, ${rate(bandwidth)}.` : "");
  }

  // the channel's bandwidth, a dashed line across the plot
  function underlay(ctx, area, g) {
    if (bandwidth <= 0)
      return;
    const y = g.toDomYCoord(bandwidth);
    ctx.save();
    ctx.strokeStyle = palette().bw;
    ctx.setLineDash([6, 4]);
    ctx.lineWidth = 1.5;
    ctx.beginPath();
    ctx.moveTo(area.x, y);
    ctx.lineTo(area.x + area.w, y);
    ctx.stroke();
    ctx.restore();
  }

  function options(series, peak) {
    const c = palette();
    return {
      labels: ["Time", "Received", "Sent", "Received peak", "Sent peak"].slice(0, series.step ? 5 : 3),
      labelsUTC: utc,
      stepPlot: true,
      colors: [c.rx, c.tx, c.rxpeak, c.txpeak].slice(0, series.step ? 4 : 2),
      strokeWidth: 1.2,
      series: { "Received peak": { strokeWidth: 0.8 }, "Sent peak": { strokeWidth: 0.8 } },
      legend: "never",
      valueRange: [0, Math.max(peak, bandwidth, 1) * 1.08],
      axes: {
        x: { axisLineColor: c.grid },
        y: { axisLabelFormatter: rate, axisLabelWidth: 78, axisLineColor: c.grid },
      },
      gridLineColor: c.grid,
      showRangeSelector: true,
      // the range selector would make a drag pan: it zooms, as asked
      interactionModel: Dygraph.defaultInteractionModel,
      rangeSelectorHeight: 36,
      rangeSelectorPlotStrokeColor: c.rx,
      rangeSelectorPlotFillColor: c.rx,
      rangeSelectorPlotFillGradientColor: "",
      rangeSelectorBackgroundStrokeColor: c.grid,
      rangeSelectorForegroundStrokeColor: c.ink,
      rangeSelectorVeilColour: c.veil,
      underlayCallback: underlay,
      highlightCallback: (e, x, points, row) => pointed(row),
      unhighlightCallback: () => { pointer.textContent = pointerhint; },
      // after a drag, a double-click, the range selector or Zoom out alike
      drawCallback: zoomed,
    };
  }

  function zoomed(g) {
    // the range selector's two handles are images for the mouse: a screen
    // reader has the buttons and the text instead
    for (const img of chart.querySelectorAll("img:not([alt])"))
      img.alt = "";
    const zoomedin = g.isZoomed("x");
    zoomout.disabled = !zoomedin;
    tousage.textContent = zoomedin ? "Usage of the range shown" : "Usage of the whole chart";
  }

  // Draws the series; a redraw of the same question keeps a zoomed range.
  function draw(series, figures, keepzoom) {
    const rows = rowsof(series);
    const peak = Math.max(0, ...series.items.map((it) => series.step ? Math.max(it.rxpeak, it.txpeak) :
                                                  Math.max(it.rx, it.tx) * 8 / it.seconds));
    shown = series;
    live.hidden = false;
    peakkey.hidden = !series.step;
    describe(figures, series);
    pointer.textContent = pointerhint;
    const range = keepzoom && graph?.isZoomed("x") ? graph.xAxisRange() : null;
    graph?.destroy();
    graph = null;
    if (!rows.length) {
      live.hidden = true;
      return;
    }
    graph = new Dygraph(chart, rows, { ...options(series, peak), dateWindow: range });
  }

  // Up to a week every interval, longer in steps; the program's figures of
  // the same period say how long it is.
  async function drawperiod(href, answer, keepzoom, signal) {
    const interval = answer.interval_s > 0 ? answer.interval_s : 120;
    const step = stepfor(answer.figures, interval);
    const data = await fetchjson(dataurl(href, "rxloaddyn", step), signal, "picture-data");
    if (signal.aborted)
      return;
    warn(data);
    bandwidth = data.bandwidth_bps;
    const series = { ...itemsof(data), interval };
    draw(series, answer.figures, keepzoom);
    // the script's time from the data's arrival to the chart drawn
    performance.measure("picture-drawn", "picture-data");
  }

  // --- usage of the range shown -----------------------------------------------------
  // The range shown as the usage form's From and To (UTC, to the minute):
  // the intervals that end in it; the form asks, the frame answers.
  const formtime = (ms) => {
    const d = new Date(ms);
    return `${two(d.getUTCDate())}/${two(d.getUTCMonth() + 1)}/${d.getUTCFullYear()} ` +
           `${two(d.getUTCHours())}:${two(d.getUTCMinutes())}`;
  };
  tousage.addEventListener("click", () => {
    if (!graph)
      return;
    const [a, b] = graph.xAxisRange();
    const { hours, from, to } = usageform.elements;
    hours.value = "";
    hours.dispatchEvent(new Event("change"));
    from.value = formtime(Math.floor(a / 60000) * 60000);
    to.value = formtime(Math.ceil(b / 60000) * 60000);
    for (const field of [from, to])
      field.dispatchEvent(new Event("change"));
    usageform.requestSubmit();
  });
  zoomout.addEventListener("click", () => graph?.resetZoom());

  // --- the summary's days -------------------------------------------------------------
  // A day of the summary is dated (UTC) by its record: its bar stands over
  // that date, received and sent side by side.
  let bargraph = null, dayrows = [];
  function barplotter(e) {
    if (e.seriesIndex !== 0)
      return;
    const g = e.dygraph, ctx = e.drawingContext, sets = e.allSeriesPoints, c = palette();
    let gap = e.plotArea.w;
    for (let i = 1; i < sets[0].length; i++)
      gap = Math.min(gap, sets[0][i].canvasx - sets[0][i - 1].canvasx);
    const width = Math.max(1, Math.floor(gap * 0.8 / sets.length));
    const zero = g.toDomYCoord(0);
    sets.forEach((points, j) => {
      ctx.fillStyle = [c.rx, c.tx][j];
      for (const p of points)
        if (p.yval !== null && !isNaN(p.canvasy))
          ctx.fillRect(p.canvasx - width * sets.length / 2 + j * width, p.canvasy, width, zero - p.canvasy);
    });
  }
  const daydate = (date) => {
    const d = new Date(date + "T00:00:00Z");
    return `${DAYS[d.getUTCDay()]} ${two(d.getUTCDate())} ${MONTHS[d.getUTCMonth()]} ${d.getUTCFullYear()}`;
  };
  function drawdays(data) {
    const days = data.days || [];
    perday.hidden = daytable.hidden = days.length === 0;
    bargraph?.destroy();
    bargraph = null;
    if (!days.length)
      return;
    dayrows = days;
    const c = palette();
    const most = Math.max(1, ...days.map((d) => Math.max(d.rx_bytes, d.tx_bytes)));
    const rows = days.map((d) => [new Date(Date.parse(d.date + "T12:00:00Z")), d.rx_bytes, d.tx_bytes]);
    barcap.textContent = `Bytes received and sent each day, ${daydate(days[0].date)} to ` +
      `${daydate(days.at(-1).date)} (${days.length} ${days.length === 1 ? "day" : "days"}, ` +
      "dated in UTC by the daily log's records); the table below gives each day's share of " +
      "what the channel could carry in it.";
    bargraph = new Dygraph(bars, rows, {
      labels: ["Day", "Received", "Sent"], labelsUTC: true, plotter: barplotter,
      colors: [c.rx, c.tx], legend: "never", valueRange: [0, most * 1.08], xRangePad: 24,
      axes: { x: { axisLineColor: c.grid, pixelsPerLabel: 60 },
              y: { axisLabelFormatter: bytes, axisLabelWidth: 70, axisLineColor: c.grid } },
      gridLineColor: c.grid,
      highlightCallback: (e, x, points, row) => {
        const d = dayrows[row];
        barpointer.textContent = `${daydate(d.date)}: received ${bytes(d.rx_bytes)} ` +
          `(${percent(d.rx_percent)} of the day's capacity), sent ${bytes(d.tx_bytes)} ` +
          `(${percent(d.tx_percent)})`;
      },
      unhighlightCallback: () => { barpointer.textContent = "Point at a day for its figures."; },
    });
    barpointer.textContent = "Point at a day for its figures.";
    filltable(daytable.querySelector("tbody"), days.map((d) => [daydate(d.date),
      ...[d.rx_bytes, d.rx_percent, d.tx_bytes, d.tx_percent].map((v, i) => i % 2 ? percent(v) : v)]));
  }

  // --- tables of a usage answer ----------------------------------------------------------
  // Rows of cells: a number is bytes, shown short with its exact count kept
  // in a data element; text is shown as it is.
  function filltable(tbody, rows) {
    tbody.replaceChildren(...rows.map(([head, ...cells]) => {
      const tr = document.createElement("tr"), th = document.createElement("th");
      th.scope = "row";
      th.textContent = head;
      tr.append(th);
      for (const cell of cells) {
        const td = document.createElement("td");
        if (typeof cell === "number") {
          const data = document.createElement("data");
          data.value = cell;
          data.textContent = bytes(cell);
          data.title = `${whole(cell)} bytes`;
          td.append(data);
        } else
          td.textContent = cell;
        tr.append(td);
      }
      return tr;
    }));
  }

  // The steps the tables are summed from: hours, or quarters where the
  // zone's offset in the period is not whole hours (India's, Nepal's).
  function tablestep(figures) {
    if (utc)
      return 3600;
    const times = [Date.parse(figures.first), Date.parse(figures.last)];
    return times.some((t) => new Date(t).getTimezoneOffset() % 60 !== 0) ? 900 : 3600;
  }

  // A day as a key and as its name; a month, the billing month it is in:
  // with months starting on day D, the days from D on are the month's,
  // those before D the previous one's.
  const daykey = (p) => `${p.y}-${two(p.m + 1)}-${two(p.d)}`;
  const dayname = (p) => `${DAYS[new Date(Date.UTC(p.y, p.m, p.d)).getUTCDay()]} ${two(p.d)} ${MONTHS[p.m]} ${p.y}`;
  function monthof(p, start) {
    let y = p.y, m = p.m;
    if (p.d < start && --m < 0) {
      m = 11;
      y--;
    }
    return { key: `${y}-${two(m + 1)}`, y, m };
  }
  function monthname({ y, m }, start) {
    if (start === 1)
      return `${MONTHS[m]} ${y}`;
    // up to the day before the start in the next month
    const end = new Date(Date.UTC(y, m + 1, start - 1));
    return `${start} ${MONTHS[m]} ${y} – ${end.getUTCDate()} ${MONTHS[end.getUTCMonth()]} ${end.getUTCFullYear()}`;
  }

  let laststeps = null;
  function filltables(steps) {
    laststeps = steps;
    const start = +monthstart.value;
    const hours = Array.from({ length: 24 }, () => [0, 0]);
    const days = new Map(), months = new Map();
    const add = (map, key, name, s) => {
      const row = map.get(key) ?? map.set(key, { name, rx: 0, tx: 0 }).get(key);
      row.rx += s.rx_bytes;
      row.tx += s.tx_bytes;
    };
    for (const s of steps) {
      const p = parts(Date.parse(s.time));
      hours[p.h][0] += s.rx_bytes;
      hours[p.h][1] += s.tx_bytes;
      add(days, daykey(p), dayname(p), s);
      const month = monthof(p, start);
      add(months, month.key, monthname(month, start), s);
    }
    const row = (name, rx, tx) => [name, rx, tx, rx + tx];
    const zone = zonetext(steps.length ? Date.parse(steps.at(-1).time) : Date.now());
    for (const el of tables.querySelectorAll(".zone"))
      el.textContent = zone;
    filltable($("byhour").querySelector("tbody"),
              hours.map(([rx, tx], h) => row(`${two(h)}:00–${two(h + 1 === 24 ? 0 : h + 1)}:00`, rx, tx)));
    const dayrows = [...days.values()].map((d) => row(d.name, d.rx, d.tx));
    filltable($("byday").querySelector("tbody"), dayrows);
    filltable($("bymonth").querySelector("tbody"), [...months.values()].map((m) => row(m.name, m.rx, m.tx)));
    filltable($("topdays").querySelector("tbody"),
              [...dayrows].sort((a, b) => b[3] - a[3]).slice(0, 10));
  }
  for (let d = 1; d <= 28; d++)
    monthstart.add(new Option(String(d), String(d)));
  monthstart.value = kept("monthstart", "1");
  monthstart.addEventListener("change", () => {
    keep("monthstart", monthstart.value);
    if (laststeps)
      filltables(laststeps);
  });

  async function drawtables(href, answer, signal) {
    const data = await fetchjson(dataurl(href, "rxloaddyn", tablestep(answer.figures)), signal, null);
    if (signal.aborted)
      return;
    warn(data);
    filltables(data.steps || []);
    tables.hidden = false;
  }

  // --- what an answer gets ----------------------------------------------------------------
  let asking = null, lasthref = null, lastfigures = null;
  function clear() {
    asking?.abort();
    asking = null;
    box.hidden = live.hidden = perday.hidden = daytable.hidden = tables.hidden = true;
    warnings.replaceChildren();
    warnings.hidden = true;
    graph?.destroy();
    bargraph?.destroy();
    graph = bargraph = null;
    laststeps = null;
  }

  // The answer in the frame (its address) and its data (a promise of the
  // figures or the days, as the page asked for its account); how it came:
  // "redraw" keeps the chart's zoom.
  async function show(href, data, how) {
    const question = href && new URL(href).searchParams;
    const action = question?.get("action");
    const same = how === "redraw" && href === lasthref;
    if (!same)
      clear();
    else
      asking?.abort();
    lasthref = href;
    if (!drawable || !data)
      return;
    const ask = asking = new AbortController();
    let answer;
    try {
      answer = await data;
    } catch {
      answer = null;
    }
    if (ask.signal.aborted || !answer)
      return;
    box.hidden = false;
    warn(answer);
    try {
      if (action === "sumtotalload")
        drawdays(answer);
      else if (answer.figures) {
        lastfigures = answer;
        const drawing = drawperiod(href, answer, same, ask.signal);
        if (action === "usage")
          await Promise.all([drawing, drawtables(href, answer, ask.signal)]);
        else
          await drawing;
      }
    } catch (e) {
      if (ask.signal.aborted)
        return;
      live.hidden = false;
      caption.textContent = `The chart could not be drawn: ${e.message}`;
    }
    box.hidden = live.hidden && perday.hidden && tables.hidden && warnings.hidden;
  }

  // Local time or UTC, for the chart, its text and the tables alike.
  function setutc(on) {
    utc = on;
    keep("utc", on ? "yes" : "no");
    utcswitch.setAttribute("aria-pressed", String(on));
    if (graph && shown) {
      graph.updateOptions({ labelsUTC: utc });
      describe(lastfigures.figures, shown);
    }
    if (laststeps)
      filltables(laststeps);
  }
  utcswitch.addEventListener("click", () => setutc(!utc));
  utcswitch.setAttribute("aria-pressed", String(utc));

  // a change of scheme recolours what is drawn
  matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
    const c = palette();
    graph?.updateOptions({ colors: [c.rx, c.tx, c.rxpeak, c.txpeak].slice(0, shown?.step ? 4 : 2), gridLineColor: c.grid, rangeSelectorVeilColour: c.veil,
                           rangeSelectorPlotStrokeColor: c.rx, rangeSelectorPlotFillColor: c.rx });
    bargraph?.updateOptions({ colors: [c.rx, c.tx], gridLineColor: c.grid });
  });

  return {
    show,
    get graph() { return graph; },
    get bargraph() { return bargraph; },
    get shown() { return shown; },
  };
})();
