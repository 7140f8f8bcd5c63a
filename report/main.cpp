// The report's CGI entry: one request, one page.
#include <stdio.h>
#include <stdlib.h>

#include "request.h"

int main(void)
{
    gatherrequest(getenv("QUERY_STRING"));
    startpage();
    printf("</body></html>");
    return 0;
}
