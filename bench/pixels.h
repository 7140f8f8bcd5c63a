// The file of a chart's pixels that chartpixels writes and pixelfloor
// reads: the chart's size, colour table, interlace and transparency, then
// the runs of pixels that are not background.
#ifndef QUORLINK_BENCH_PIXELS_H
#define QUORLINK_BENCH_PIXELS_H

#include <stdint.h>

const char pixelsmagic[4] = {'q', 'l', 'p', 'r'};

struct pixelsheader {
    char magic[4];
    int32_t width, height;
    int32_t colours;       // entries of the GIF's colour table
    int32_t interlace;
    int32_t transparent;   // -1: none
    unsigned char rgb[256][3];
};

// pixels x to x + len - 1 of row y, of one colour other than 0: the colour
// every pixel of a new gd palette image has
struct pixelsrun {
    uint16_t y, x, len;
    uint8_t colour, pad;
};

#endif
