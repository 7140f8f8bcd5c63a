// The query text: decoding, every parameter lookup, and the request state
// filled from it.
#include "../support/escape.h"
#include "../support/query.h"
#include "fuzzsite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = fuzztext(data, size);
    std::string decoded = getnormpar(text.c_str());
    if (decoded.size() > text.size())
        abort();  // decoding never lengthens a text
    for (const char *name : {"action=", "hgrid=", "vgrid=", "time=", "activelog=", "logfile=",
                             "datefrom=", "days=", "dates="}) {
        const char *value = getquery(decoded.c_str(), name);
        if (strpbrk(value, "& \n"))
            abort();
        const char *esc = htmlesc(value);
        if (strpbrk(esc, "<>\"'"))
            abort();
    }
    // the newer parameters, found by their whole names, and the escapes of
    // the data answers
    for (const char *name : {"from=", "to=", "hours=", "format="}) {
        const char *value = getparam(decoded.c_str(), name);
        if (strchr(value, '&'))
            abort();
        const std::string json = jsonesc(value);
        for (unsigned char c : json)
            if (c < 0x20)
                abort();
        const std::string csv = csvesc(value);
        if (strpbrk(value, ",\"\r\n") && (csv.front() != '"' || csv.back() != '"'))
            abort();
    }
    resetrequest();
    gatherrequest(text.c_str());
    return 0;
}
