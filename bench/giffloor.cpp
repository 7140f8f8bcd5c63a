// A process that loads libgd, makes a palette image of the chart's size
// with the chart's four colours, and writes it as GIF, blank. Kept beside
// pixelfloor for reference only: a blank image compresses to almost
// nothing, so gd's encoder does far less on it than on a real chart, and
// a chart measured against it looks slower than it is.
//   giffloor WIDTH OUTFILE
#include <gd.h>
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

int main(int argc, char **argv)
{
    // the program loads zlib for gzipped logs: so does its floor
    (void)zlibVersion();
    if (argc != 3)
        return 2;
    gdImagePtr im = gdImageCreate(atoi(argv[1]), 300);
    if (!im)
        return 1;
    gdImageColorAllocate(im, 0, 0, 255);
    gdImageColorAllocate(im, 255, 255, 255);
    gdImageColorAllocate(im, 255, 0, 0);
    gdImageColorAllocate(im, 255, 255, 0);
    FILE *out = fopen(argv[2], "wb");
    if (!out)
        return 1;
    gdImageGif(im, out);
    int failed = ferror(out) | fclose(out);
    gdImageDestroy(im);
    return failed ? 1 : 0;
}
