// Decodes a GIF with gd and prints "width height": what the server tests
// ask of a chart fetched over HTTP.
#include <gd.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    FILE *f = fopen(argv[1], "rb");
    if (!f)
        return 1;
    gdImagePtr im = gdImageCreateFromGif(f);
    fclose(f);
    if (!im)
        return 1;
    printf("%d %d\n", gdImageSX(im), gdImageSY(im));
    gdImageDestroy(im);
    return 0;
}
