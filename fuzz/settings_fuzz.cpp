// The settings file: every key looked up into the request state, then the
// head of the page printed from what it says.
#include "fuzzsite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    putfile("quorlink.cfg", data, size);
    resetrequest();
    gatherrequest(size % 2 ? "action=sumtotalload&days=3&logfile=x" : "logfile=y");
    startpage();
    return 0;
}
