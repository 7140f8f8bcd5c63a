// The floor of a chart request that pays for the chart it draws: a process
// that loads libgd, puts the chart's own pixels into a palette image of its
// size and writes it as GIF. A blank image is no such floor: it compresses
// to almost nothing, and gd's encoder does far less work on it than on a
// real chart.
//
//   pixelfloor --decode CHART.gif PIXELS   once, untimed: the chart's size,
//                                          colour table and pixels
//   pixelfloor PIXELS OUT.gif              the floor: the same GIF again
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
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

const char magic[4] = {'q', 'l', 'p', 'r'};

struct header {
    char magic[4];
    int32_t width, height;
    int32_t colours;       // entries of the GIF's colour table
    int32_t interlace;
    int32_t transparent;   // -1: none
    unsigned char rgb[256][3];
};

// pixels x to x + len - 1 of row y, of one colour other than 0: the colour
// every pixel of a new gd palette image has
struct run {
    uint16_t y, x, len;
    uint8_t colour, pad;
};

int decodechart(const char *gifname, const char *pixname)
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
        fprintf(stderr, "pixelfloor: %s: no GIF with a global colour table\n", gifname);
        return 1;
    }
    struct header h;
    memset(&h, 0, sizeof h);
    memcpy(h.magic, magic, sizeof magic);
    h.colours = 2 << (gif[10] & 7);
    if (size < 13 + 3 * (size_t)h.colours) {
        fprintf(stderr, "pixelfloor: %s: colour table cut short\n", gifname);
        return 1;
    }
    memcpy(h.rgb, &gif[13], 3 * (size_t)h.colours);

    gdImagePtr im = gdImageCreateFromGifPtr((int)size, gif);
    free(gif);
    if (!im || gdImageTrueColor(im) || gdImageSY(im) > UINT16_MAX) {
        fprintf(stderr, "pixelfloor: %s: gd cannot read it as a palette image\n", gifname);
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
                struct run r = {(uint16_t)y, (uint16_t)x, (uint16_t)(end - x), row[x], 0};
                fwrite(&r, sizeof r, 1, out);
            }
            x = end;
        }
    }
    int failed = ferror(out) | fclose(out);
    gdImageDestroy(im);
    return failed ? 1 : 0;
}

int writefloor(const char *pixname, const char *gifname)
{
    int fd = open(pixname, O_RDONLY);
    if (fd < 0)
        return 1;
    struct header h;
    if (read(fd, &h, sizeof h) != (ssize_t)sizeof h || memcmp(h.magic, magic, sizeof magic) != 0
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
    static struct run runs[4096];
    ssize_t n;
    size_t left = 0;
    while ((n = read(fd, (char *)runs + left, sizeof runs - left)) > 0) {
        left += (size_t)n;
        const size_t count = left / sizeof *runs;
        for (size_t i = 0; i < count; i++) {
            const struct run &r = runs[i];
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
    if (argc == 4 && strcmp(argv[1], "--decode") == 0)
        return decodechart(argv[2], argv[3]);
    if (argc == 3)
        return writefloor(argv[1], argv[2]);
    fprintf(stderr, "usage: pixelfloor --decode CHART.gif PIXELS | pixelfloor PIXELS OUT.gif\n");
    return 2;
}
