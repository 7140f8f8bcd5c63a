// The counter log, scanned and answered: the first byte picks the action
// and its switches, the rest is the log. The chart is drawn; one input in
// 64 also takes the whole road to a written chart. Periods, the figures
// and the data answers read the same log.
#include "../platform/platform.h"
#include "../report/actions.h"
#include "../report/chart.h"
#include "../report/data.h"
#include "../report/scan.h"
#include "fuzzsite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    putfile("vornout.dat", data + 1, size - 1);
    static const char *const queries[] = {
        "action=rxloaddyn&hgrid=&vgrid=",
        "action=totalload&time=12:00",
        "action=sumtotalload&days=5&datefrom=05/12/2026&hgrid=",
        "action=sumtotalload&days=9&dates=",
        "action=usage&format=json&hours=3",
        "action=rxloaddyn&format=csv&from=05/12/2026&to=06/12/2026",
        "action=metrics",
        "action=usage&from=05/12/2026+10:00",
    };
    resetrequest();
    gatherrequest(queries[mode % 8]);
    if (mode & 8)
        req.bandwidth = 7;  // a channel of no capacity
    if (mode % 8 >= 4) {
        if (dataasked())
            dataanswer();
        else
            report();
        return 0;
    }
    setfield(req.logname, "vornout.dat");
    setfield(req.date, "05 Dec 2026");
    totalcount = 0;
    if (mode % 4 == 1 || size % 64 == 0) {
        report();
        return 0;
    }
    if (!scanlog() || totalcount == 0)
        return 0;
    gdImagePtr im = mode % 4 == 0 ? loadchartimage(totalcount - 1)
                    : totalcount > 1 ? sumchartimage(totalcount) : nullptr;
    if (im)
        gdImageDestroy(im);
    return 0;
}
