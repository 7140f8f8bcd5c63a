// The report's CGI entry: one request, one page.
#include <stdio.h>
#include <stdlib.h>

#include "../platform/platform.h"
#include "actions.h"
#include "chart.h"
#include "check.h"
#include "data.h"
#include "request.h"

// Servers pass query words as arguments when a query has no "=": they are
// not ours to read, and --check is taken only where no server runs us.
int main(int argc, char **argv)
{
    if (checkasked(argc, argv)) {
        platforminit();
        return checkchannel();
    }
    // a year's intervals are 15 MB of CSV, a year's chart 260 KB of page:
    // written in large blocks
    static char buffer[65536];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    platforminit();
    chartinit();
    gatherrequest(getenv("QUERY_STRING"));  // the query, the settings, the log
    if (dataasked()) {                       // CSV, JSON, metrics: no page
        dataanswer();
        return 0;
    }
    if (startpage())                         // header and head of the page
        report();                            // scan the log, answer the action
    printf("</body></html>");
    return 0;
}
