#include "chart.h"

#include <gd.h>
#include <gdfontmb.h>
#include <gdfontt.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../platform/platform.h"
#include "../support/complain.h"
#include "../support/datetime.h"
#include "../support/settings.h"
#include "actions.h"
#include "doubts.h"
#include "request.h"
#include "scan.h"

enum {
    imageH = 300,
    MARGIN = 10,                       // the axes stand this far in from the edges
    XAXIS = imageH - MARGIN,           // 290
    LABELY = imageH - 8,               // the range label: gdFontTiny is 8 high
    BARBASE = imageH - 20,             // 280: bars stand just above the axis band
    BARSPAN = imageH - 30,             // 270: a full bar reaches row 11
    GAPMARKY1 = BARBASE + 3,           // a gap's tick, in the free rows between
    GAPMARKY2 = XAXIS - 2,             // the bars and the axis: 283 to 288
    FIRSTCOL = 20,                     // column of the first interval
    LOADPAD = 30,                      // the load chart is this much wider than its columns
    LOADMINW = 350,
    MAXGIFW = 65535,                   // a GIF's width is 16 bits
    MAXCOLS = MAXGIFW - LOADPAD,       // 65505 intervals at most on one chart
    HOURLABELDY = 35,                  // hour labels sit 35 above the bottom edge
    GRIDLINES = 10,
    GRIDDY = (imageH - 20) / GRIDLINES,  // 28: 100% on row 10 down to 10% on 262
    TICKX1 = 8, TICKX2 = 12, GRIDLABELX = 15,
    SUMCOLW = 30,                      // the summary grows 30 wide a day
    SUMMINW = 400,
    SUMBASE = imageH - 12,             // 288: summary bars stand here
    SUMSPAN = 278,                     // 100% reaches the top grid row, 10
    RXBARX1 = 60, RXBARX2 = 120,       // the two summary bars, 60 wide, 20 apart
    TXBARX1 = 140, TXBARX2 = 200,
    LEGENDX = 260, LEGENDRXY = 20,     // legend texts, one MediumBold line apart
    LEGENDTXY = 35,
    BOXX1 = 245, BOXX2 = 253,          // 9x9 colour boxes beside the legend texts
    BOXRXY = 23, BOXTXY = 38, BOXSIZE = 8,
};

struct palette {
    int blue, white, red, yellow;
};

uint32_t getbarHeight(uint64_t hitsmax, int32_t imageh, uint32_t hitsarray)
{
    if (hitsmax == 0)
        return 0;  // a channel of no capacity draws no bars
    return (uint32_t)((uint64_t)hitsarray * (uint64_t)imageh / hitsmax);
}

static void drawtext(gdImagePtr im, gdFontPtr font, int x, int y, const char *text, int colour)
{
    gdImageString(im, font, x, y, (unsigned char *)text, colour);
}

// The image with its palette and axes; the palette order is fixed.
static gdImagePtr startchart(int imagew, struct palette *pal)
{
    gdImagePtr im = gdImageCreate(imagew, imageH);
    if (!im) {
        complain(req.outpath, "no memory for an image of the chart's size");
        failure("The chart is too large for the memory the server gives it.");
        return nullptr;
    }
    pal->blue = gdImageColorAllocate(im, 0, 0, 255);
    pal->white = gdImageColorAllocate(im, 255, 255, 255);
    pal->red = gdImageColorAllocate(im, 255, 0, 0);
    pal->yellow = gdImageColorAllocate(im, 255, 255, 0);
    gdImageLine(im, MARGIN, MARGIN, MARGIN, XAXIS, pal->white);
    gdImageLine(im, MARGIN, XAXIS, imagew - MARGIN, XAXIS, pal->white);
    return im;
}

// gd's dashed line of one pixel's width along a row (dx 1) or a column
// (dy 1), n pixels from x, y, written straight into the palette image as
// gd's would set them: three on, then four off and four on in turn.
static void dashedrun(gdImagePtr im, int x, int y, int dx, int dy, int n, int colour)
{
    for (int k = 0; k < n; k++, x += dx, y += dy)
        if ((k + 1) / 4 % 2 == 0 && x >= im->cx1 && x <= im->cx2 && y >= im->cy1 && y <= im->cy2)
            im->pixels[y][x] = (unsigned char)colour;
}

// 100% at the top down to 10%: dashed across the load chart, ticks on the
// summary chart.
static void percentgrid(gdImagePtr im, int imagew, int dashed, int colour)
{
    if (!ison(req.hgrid))
        return;
    uint32_t ulvalue = 100;
    const uint32_t ulvalue1 = ulvalue;
    char label[16];
    for (int k = 0; k < GRIDLINES; k++) {
        int y = MARGIN + k * GRIDDY;
        if (dashed)
            dashedrun(im, TICKX1, y, 1, 0, imagew - MARGIN - TICKX1 + 1, colour);
        else
            gdImageLine(im, TICKX1, y, TICKX2, y, colour);
        snprintf(label, sizeof label, "%u%%", ulvalue);
        drawtext(im, gdFontMediumBold, GRIDLABELX, y, label, colour);
        ulvalue -= ulvalue1 / 10;
    }
}

// The chart's bytes in base64, in blocks.
static void putbase64(const unsigned char *data, size_t size)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char out[4096];
    size_t n = 0;
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t b = (uint32_t)data[i] << 16 | (i + 1 < size ? (uint32_t)data[i + 1] << 8 : 0) |
                           (i + 2 < size ? data[i + 2] : 0);
        out[n++] = digits[b >> 18];
        out[n++] = digits[b >> 12 & 63];
        out[n++] = i + 1 < size ? digits[b >> 6 & 63] : '=';
        out[n++] = i + 2 < size ? digits[b & 63] : '=';
        if (n + 4 > sizeof out) {
            fwrite(out, 1, n, stdout);
            n = 0;
        }
    }
    fwrite(out, 1, n, stdout);
}

// The chart written and not yet shown: a chart the server is sending
// cannot be replaced until it is sent, so the page gets it once the lock
// is let go.
static struct {
    unsigned char *gif;
    size_t size;
} shown;

// gd's encoder writes the chart straight into the file that replaces the
// old one: a GIF held in memory beside the image would make the year's
// chart the largest of all requests by its size again.
struct gifout {
    gdIOCtx ctx;   // first: the encoder hands it back
    struct textout *out;
};

static int gifputbuf(gdIOCtxPtr ctx, const void *buf, int size)
{
    textput(((struct gifout *)ctx)->out, (const char *)buf, size > 0 ? (size_t)size : 0);
    return size;
}

static void gifputc(gdIOCtxPtr ctx, int c)
{
    const char byte = (char)c;
    textput(((struct gifout *)ctx)->out, &byte, 1);
}

static long giftell(gdIOCtxPtr ctx)
{
    return (long)((struct gifout *)ctx)->out->total;
}

static int gifseek(gdIOCtxPtr, const int)
{
    return 0;   // a chart is written from its start to its end
}

static void giffree(gdIOCtxPtr)
{
}

// The chart as written, read back for the page once the image is freed,
// while the lock keeps the file ours; null when it cannot be.
static unsigned char *readchart(uint64_t size)
{
    unsigned char *gif = size > 0 && size <= SIZE_MAX ? (unsigned char *)malloc((size_t)size) : nullptr;
    const sysfile fd = gif ? fileread(req.outpath) : NOFILE;
    uint64_t got = 0;
    long n = 1;
    while (fd != NOFILE && got < size && n > 0)
        if ((n = fileget(fd, (char *)gif + got, (size_t)(size - got))) > 0)
            got += (uint64_t)n;
    if (fd != NOFILE) {
        if (got < size)
            complain(req.outpath, n < 0 ? fileerror() : "the chart file is shorter than written");
        fileclose(fd);
    } else
        complain(req.outpath, gif ? fileerror() : "no memory for the chart's GIF");
    if (got == size)
        return gif;
    free(gif);
    return nullptr;
}

// Writes the chart over the old one at outpath, for whatever embeds that
// file, and keeps it for the page; on any failure the old chart stays and
// the page says so instead.
static void finishchart(gdImagePtr im)
{
    static struct textout out;
    if (!im) {
        pagedenied();
        return;
    }
    struct gifout gif;
    memset(&gif, 0, sizeof gif);
    gif.ctx.putC = gifputc;
    gif.ctx.putBuf = gifputbuf;
    gif.ctx.seek = gifseek;
    gif.ctx.tell = giftell;
    gif.ctx.gd_free = giffree;
    gif.out = &out;
    int ok = replacestart(&out, req.outpath);
    if (ok)
        gdImageGifCtx(im, &gif.ctx);
    gdImageDestroy(im);
    ok = replacefinish(&out) && ok;
    if (!ok) {
        complain(req.outpath, out.why);
        filefailure(out.problem, "chart file", pathbase(req.outpath), req.outpath, nullptr, 1);
    } else {
        // one chart a page: a chart drawn and never shown gives way
        free(shown.gif);
        shown.gif = readchart(out.total);
        if (!shown.gif) {
            failure("The chart was written but could not be read back for the page.");
            ok = 0;
        }
    }
    if (ok)
        shown.size = (size_t)out.total;
    else
        pagedenied();
}

// The chart inside the page, as a data: address: every page shows the chart
// its own request drew, whoever asked for another one since, and Back and
// a bookmark keep it whole.
void showchart(void)
{
    if (!shown.gif)
        return;
    printf("<center><img src=\"data:image/gif;base64,");
    putbase64(shown.gif, shown.size);
    printf("\" border=0></center>");
    free(shown.gif);
    shown.gif = nullptr;
}

// A read of the interval file that failed draws no chart from part of it.
static int readfailed(const struct textin *in)
{
    if (in->failed) {
        complain(histname, in->why);
        filefailure(in->problem, "working file", histname, histname, nullptr, 0);
    }
    return in->failed;
}

// The bytes that fill a bar: an interval's worth of the channel, or for a
// gap what the channel carries in its whole length, so that the bar is the
// gap's load spread over it.
static uint64_t barcapacity(int64_t seconds, int *gap)
{
    *gap = isgap(seconds);
    const int64_t span = *gap ? channelbytes(seconds) : -1;
    return span >= 0 ? (uint64_t)span : req.ulmaxvalue;
}

// A one-pixel column from the base up, rows 281 - height to 280, written
// straight into the palette image: the pixels gd's one-pixel vertical line
// would set, without a call per pixel.
static void loadbar(gdImagePtr im, uint32_t column, int height, int colour)
{
    const int x = FIRSTCOL + (int)column;
    for (int y = BARBASE + 1 - height; y <= BARBASE; y++)
        im->pixels[y][x] = (unsigned char)colour;
}

// A period's chart is labelled with the period where it has bounds; hours=
// reaches up to the newest record itself.
static void periodrange(uint32_t *t1, uint32_t *t2)
{
    const struct period *p = askedperiod();
    const int64_t shift = p->hours > 0;
    if (p->hasfrom && p->from - shift >= 0 && p->from - shift <= UINT32_MAX)
        *t1 = (uint32_t)(p->from - shift);
    if (p->hasto && p->to - shift >= 0 && p->to - shift <= UINT32_MAX)
        *t2 = (uint32_t)(p->to - shift);
}

// A column of the load chart in two bytes: its bar's height (up to BARSPAN,
// 9 bits), whether it stands for a gap, and the hour of day of its
// interval. The scan's records are given back before the image is made,
// which is larger than all of them.
enum { HEIGHTBITS = 0x1FF, GAPBIT = 0x200, HOURSHIFT = 10 };
static_assert((int)BARSPAN <= (int)HEIGHTBITS, "a bar's height fits its bits");
static uint16_t loadcolumns[MAXCOLS];

struct columnpass {
    uint32_t columns, column;
    int rx;
    uint32_t first, last;   // the times of the first and last columns
};

static void takecolumn(const struct interval *iv, uint32_t before, void *arg)
{
    struct columnpass *c = (struct columnpass *)arg;
    if (c->column >= c->columns)
        return;
    if (c->column == 0)
        c->first = iv->t;
    c->last = iv->t;
    int gap;
    const uint64_t capacity = barcapacity((int64_t)iv->t - before, &gap);
    uint32_t ulvalue = c->rx ? iv->rxbytes : iv->txbytes;
    if (ulvalue > capacity)
        ulvalue = (uint32_t)capacity;
    const uint32_t height = getbarHeight(capacity, BARSPAN, ulvalue);
    const uint32_t hour = iv->t % 86400 / 3600;   // the interval's hour, UTC
    loadcolumns[c->column++] = (uint16_t)(height | (gap ? GAPBIT : 0) | hour << HOURSHIFT);
}

// A dashed line where the hour of day changes, labelled with the new hour;
// midnight gets its line but no label.
static void hourmarks(gdImagePtr im, uint32_t columns, int colour)
{
    char label[16];
    int hrcount = -1;
    for (uint32_t k = 0; k < columns; k++) {
        const int vcount = loadcolumns[k] >> HOURSHIFT;
        if (vcount == hrcount)
            continue;
        hrcount = vcount;
        const int dstX = FIRSTCOL + (int)k;
        dashedrun(im, dstX, MARGIN, 0, 1, LABELY - MARGIN + 1, colour);
        if (vcount > 0) {
            snprintf(label, sizeof label, "%dh", vcount);
            drawtext(im, gdFontMediumBold, dstX + 5, imageH - HOURLABELDY, label, colour);
        }
    }
}

// A column that stands for more time than an interval gets a tick in
// yellow under its bar, whatever its load: drawn after the hour marks,
// which would cross it.
static void gapmarks(gdImagePtr im, uint32_t columns, int colour)
{
    for (uint32_t k = 0; k < columns; k++)
        if (loadcolumns[k] & GAPBIT) {
            const int x = FIRSTCOL + (int)k;
            gdImageLine(im, x, GAPMARKY1, x, GAPMARKY2, colour);
        }
}

gdImagePtr loadchartimage(uint32_t totalcount)
{
    char sztime1[TIMETEXTSIZE], sztime2[TIMETEXTSIZE], range[2 * TIMETEXTSIZE + 4];
    struct palette pal;

    // a GIF holds 65535 columns: a longer log shows its most recent end,
    // which is all the scan kept
    static_assert((int)CHARTLINES == (int)MAXCOLS, "the scan keeps the chart's columns");
    const uint32_t columns = totalcount > (uint32_t)MAXCOLS ? (uint32_t)MAXCOLS : totalcount;
    const int imageW = columns + LOADPAD < LOADMINW ? LOADMINW : (int)(columns + LOADPAD);
    const int rx = strcmp(req.action, "rxloaddyn") == 0;

    // an empty chart spans the log's only record
    struct columnpass c = {columns, 0, rx, ultime1, ultime1};
    eachchartinterval(takecolumn, &c);
    chartdone();
    gdImagePtr im = startchart(imageW, &pal);
    if (!im)
        return nullptr;
    // The bars share no pixel with the heading, the range label or the
    // axes, so drawing them first leaves the image as the usual order would.
    for (uint32_t k = 0; k < c.column; k++)
        loadbar(im, k, loadcolumns[k] & HEIGHTBITS, pal.red);
    uint32_t ultime2 = c.last;
    ultime1 = c.first;

    strncat(req.title, rx ? " (Rx Bytes)" : " (Tx Bytes)", sizeof req.title - strlen(req.title) - 1);
    drawtext(im, gdFontTiny, MARGIN, 0, req.title, pal.white);
    periodrange(&ultime1, &ultime2);
    gmttimetext(ultime1, sztime1, sizeof sztime1);
    gmttimetext(ultime2, sztime2, sizeof sztime2);
    snprintf(range, sizeof range, "%s - %s", sztime1, sztime2);
    drawtext(im, gdFontTiny, MARGIN, LABELY, range, pal.white);
    if (ison(req.vgrid))
        hourmarks(im, c.column, pal.white);
    gapmarks(im, c.column, pal.yellow);
    percentgrid(im, imageW, 1, pal.white);
    return im;
}

void drawloadchart(uint32_t totalcount)
{
    finishchart(loadchartimage(totalcount));
}

// Average daily traffic in percent of what the channel carries in a day.
static uint32_t dailyload(uint64_t bytes, uint32_t days)
{
    // a day of the channel in hundredths of bytes: 6,912,000 at 64000 bit/s
    const int64_t capacity = 864 * (int64_t)(req.bandwidth / 8);
    if (capacity <= 0 || days == 0)
        return 0;
    uint64_t percent = bytes / days / (uint64_t)capacity;
    return percent > UINT32_MAX ? UINT32_MAX : (uint32_t)percent;
}

// The days between two daily records: one, or for a gap of missing days as
// many as it spans, so that its traffic is spread over them.
static uint32_t daysbetween(int64_t seconds)
{
    const int64_t day = 86400;
    return 2 * seconds > 3 * day ? (uint32_t)((seconds + day / 2) / day) : 1;
}

static void sumbar(gdImagePtr im, int x1, int x2, uint32_t percent, int colour)
{
    uint64_t h = (uint64_t)percent * SUMSPAN / 100;
    if (h == 0)
        h = 1;
    // above 100% the bar runs off the top edge; gd would clip it there
    if (h > SUMBASE)
        h = SUMBASE;
    gdImageFilledRectangle(im, x1, SUMBASE - (int)h, x2, SUMBASE, colour);
}

gdImagePtr sumchartimage(uint32_t totalcount)
{
    static struct textin in;
    static char temp[WORKLINESIZE];
    char sztime1[TIMETEXTSIZE], label[48];
    struct palette pal;

    const uint64_t wide = (uint64_t)totalcount * SUMCOLW + SUMCOLW;
    const int imageW = wide < SUMMINW ? SUMMINW : wide > MAXGIFW ? MAXGIFW : (int)wide;

    if (!textopen(&in, histname)) {
        complain(histname, in.why);
        filefailure(in.problem, "working file", histname, histname, nullptr, 0);
        return nullptr;
    }
    // the counters are 32 bits and a busy channel wraps them within days,
    // and the device may restart: each day counts by the rule of the
    // intervals, and the days add up in 64 bits
    uint32_t ulrxbytestotal2 = 0, ultxbytestotal2 = 0, tprev = 0, days = 0;
    uint64_t rxsum = 0, txsum = 0;
    for (uint32_t i = 0; textline(&in, temp, sizeof temp); i++) {
        uint32_t t = getlvalue(temp, 1), rx = getlvalue(temp, 2), tx = getlvalue(temp, 3);
        if (i == 0)
            ultime1 = t;
        else {
            const int64_t seconds = (int64_t)t - tprev;
            int how;
            rxsum += countbytes(ulrxbytestotal2, rx, seconds, &how);
            txsum += countbytes(ultxbytestotal2, tx, seconds, &how);
            days += daysbetween(seconds);
        }
        ulrxbytestotal2 = rx;
        ultxbytestotal2 = tx;
        tprev = t;
    }
    textclose(&in);
    if (readfailed(&in))
        return nullptr;

    gdImagePtr im = startchart(imageW, &pal);
    if (!im)
        return nullptr;
    uint32_t ulrxbytestotal = dailyload(rxsum, days);
    uint32_t ultxbytestotal = dailyload(txsum, days);

    gmttimetext(ultime1, sztime1, sizeof sztime1);
    snprintf(req.title, sizeof req.title, "Porvata VORN-NX Summary Statistics for %u days since %s",
             totalcount, sztime1);
    drawtext(im, gdFontTiny, MARGIN, 0, req.title, pal.white);

    snprintf(label, sizeof label, "Rx bytes: %u%%", ulrxbytestotal);
    drawtext(im, gdFontMediumBold, LEGENDX, LEGENDRXY, label, pal.white);
    snprintf(label, sizeof label, "Tx bytes: %u%%", ultxbytestotal);
    drawtext(im, gdFontMediumBold, LEGENDX, LEGENDTXY, label, pal.white);
    gdImageFilledRectangle(im, BOXX1, BOXRXY, BOXX2, BOXRXY + BOXSIZE, pal.red);
    gdImageFilledRectangle(im, BOXX1, BOXTXY, BOXX2, BOXTXY + BOXSIZE, pal.yellow);

    sumbar(im, RXBARX1, RXBARX2, ulrxbytestotal, pal.red);
    sumbar(im, TXBARX1, TXBARX2, ultxbytestotal, pal.yellow);
    percentgrid(im, imageW, 0, pal.white);
    return im;
}

void drawsumchart(uint32_t totalcount)
{
    finishchart(sumchartimage(totalcount));
}

// What libgd says when it fails (an image too big to make) is one line for
// the operator like any complaint, never standard error, which IIS would
// show the visitor. A longer text is cut to the line.
static void gdcomplaint(int, const char *format, va_list args)
{
    char text[LOGLINESIZE];
    vsnprintf(text, sizeof text, format, args);
    size_t n = strlen(text);
    while (n > 0 && strchr("\r\n .", text[n - 1]))
        text[--n] = '\0';
    complain("libgd", text);
}

void chartinit(void)
{
    gdSetErrorMethod(gdcomplaint);
}
