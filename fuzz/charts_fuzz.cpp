// The interval file read back into the summary chart and drawn (the load
// chart draws from the records its scan kept: scan_fuzz drives it). Line
// counts are capped so the images stay small; gd's GIF writer costs far
// more than the drawing, so one input in 64 takes the whole road to a
// written chart.
#include "../report/chart.h"
#include "fuzzsite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    putfile("histout.dat", data, size);
    uint32_t lines = 0;
    for (size_t i = 0; i < size; i++)
        lines += data[i] == '\n';
    const uint32_t sumlines = lines < 2 ? 2 : lines < 100 ? lines : 100;
    const bool write = size % 64 == 0;
    resetrequest();
    gatherrequest("action=sumtotalload&hgrid=");
    if (write) {
        drawsumchart(sumlines);
        showchart();
    } else if (gdImagePtr im = sumchartimage(sumlines))
        gdImageDestroy(im);
    return 0;
}
