// The floor of a chart request that pays for the chart it draws: a process
// that loads libgd, puts the chart's own pixels into a palette image of its
// size and writes it as GIF. A blank image is no such floor: it compresses
// to almost nothing, and gd's encoder does far less work on it than on a
// real chart.
//
//   chartpixels CHART.gif PIXELS   once, untimed: the chart's size,
//                                  colour table and pixels
//   pixelfloor PIXELS OUT.gif      the floor: the same GIF again
//
// Decoding the chart's GIF inside the timed run would charge the floor with
// gd's LZW decode, twice the instructions of the encode it stands for. Nor
// are the pixels kept raw: gd's new image is all background already, and
// the program writes only the rest, into rows calloc has just cleared; a
// floor that reads every pixel out of a file reads memory the program
// never does, and came out slower than the program itself on the 365-day
// summary. So the floor keeps what the program writes, the runs of pixels
// that are not background, and sets them in gd's image a memset a run.
//
// Nothing here needs the C++ library: loading it would cost the floor a
// millisecond the program does not pay.
#include <fcntl.h>
#include <gd.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include "pixels.h"

namespace {

int writefloor(const char *pixname, const char *gifname)
{
    int fd = open(pixname, O_RDONLY);
    if (fd < 0)
        return 1;
    struct pixelsheader h;
    if (read(fd, &h, sizeof h) != (ssize_t)sizeof h || memcmp(h.magic, pixelsmagic, sizeof pixelsmagic) != 0
        || h.colours < 1 || h.colours > 256 || h.width < 1 || h.height < 1)
        return 1;
    gdImagePtr im = gdImageCreate(h.width, h.height);
    if (!im)
        return 1;
    for (int i = 0; i < h.colours; i++)
        gdImageColorAllocate(im, h.rgb[i][0], h.rgb[i][1], h.rgb[i][2]);
    gdImageInterlace(im, h.interlace);
    gdImageColorTransparent(im, h.transparent);

    // a small buffer at a time, so the floor holds no more than the image
    static struct pixelsrun runs[4096];
    ssize_t n;
    size_t left = 0;
    while ((n = read(fd, (char *)runs + left, sizeof runs - left)) > 0) {
        left += (size_t)n;
        const size_t count = left / sizeof *runs;
        for (size_t i = 0; i < count; i++) {
            const struct pixelsrun &r = runs[i];
            if (r.y >= h.height || r.x + r.len > h.width)
                return 1;
            memset(im->pixels[r.y] + r.x, r.colour, r.len);
        }
        left -= count * sizeof *runs;
        memmove(runs, (char *)runs + count * sizeof *runs, left);
    }
    close(fd);
    if (n < 0 || left != 0)
        return 1;

    FILE *out = fopen(gifname, "wb");
    if (!out)
        return 1;
    gdImageGif(im, out);
    int failed = ferror(out) | fclose(out);
    gdImageDestroy(im);
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    // the program loads zlib for gzipped logs: so does its floor
    (void)zlibVersion();
    if (argc == 3)
        return writefloor(argv[1], argv[2]);
    fprintf(stderr, "usage: pixelfloor PIXELS OUT.gif\n");
    return 2;
}
