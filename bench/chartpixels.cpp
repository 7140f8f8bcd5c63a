// Takes from a chart the program drew what pixelfloor needs to write it
// again: its size, its colour table and the runs of pixels that are not
// background. Run once, untimed, before pixelfloor is timed. A program of
// its own: gd's GIF decoder linked into pixelfloor would sit before gd's
// encoder and move it to another place than it has in the program, which
// changes the encoder's time (see bench/README.md).
//
//   chartpixels CHART.gif PIXELS
#include <gd.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "pixels.h"

static int decodechart(const char *gifname, const char *pixname)
{
    FILE *in = fopen(gifname, "rb");
    struct stat st;
    if (!in || fstat(fileno(in), &st) != 0 || st.st_size > INT_MAX)
        return 1;
    const size_t size = (size_t)st.st_size;
    unsigned char *gif = (unsigned char *)malloc(size + 1);
    if (!gif || fread(gif, 1, size, in) != size)
        return 1;
    fclose(in);

    // gd keeps only the colours the pixels use, but wrote the table of all
    // the colours the program allocated; a table of another length would
    // change the GIF, so it is taken from the file as written
    if (size < 13 || memcmp(gif, "GIF8", 4) != 0 || !(gif[10] & 0x80)) {
        fprintf(stderr, "chartpixels: %s: no GIF with a global colour table\n", gifname);
        return 1;
    }
    struct pixelsheader h;
    memset(&h, 0, sizeof h);
    memcpy(h.magic, pixelsmagic, sizeof pixelsmagic);
    h.colours = 2 << (gif[10] & 7);
    if (size < 13 + 3 * (size_t)h.colours) {
        fprintf(stderr, "chartpixels: %s: colour table cut short\n", gifname);
        return 1;
    }
    memcpy(h.rgb, &gif[13], 3 * (size_t)h.colours);

    gdImagePtr im = gdImageCreateFromGifPtr((int)size, gif);
    free(gif);
    if (!im || gdImageTrueColor(im) || gdImageSY(im) > UINT16_MAX) {
        fprintf(stderr, "chartpixels: %s: gd cannot read it as a palette image\n", gifname);
        return 1;
    }
    h.width = gdImageSX(im);
    h.height = gdImageSY(im);
    h.interlace = gdImageGetInterlaced(im);
    h.transparent = gdImageGetTransparent(im);
    FILE *out = fopen(pixname, "wb");
    if (!out)
        return 1;
    fwrite(&h, sizeof h, 1, out);
    for (int y = 0; y < h.height; y++) {
        const unsigned char *row = im->pixels[y];
        for (int x = 0; x < h.width;) {
            int end = x + 1;
            while (end < h.width && row[end] == row[x])
                end++;
            if (row[x] != 0) {
                struct pixelsrun r = {(uint16_t)y, (uint16_t)x, (uint16_t)(end - x), row[x], 0};
                fwrite(&r, sizeof r, 1, out);
            }
            x = end;
        }
    }
    int failed = ferror(out) | fclose(out);
    gdImageDestroy(im);
    return failed ? 1 : 0;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: chartpixels CHART.gif PIXELS\n");
        return 2;
    }
    return decodechart(argv[1], argv[2]);
}
