// Typed dates and times, and the field pickers that read time texts.
#include "../support/datetime.h"
#include "../support/settings.h"
#include "fuzzsite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = fuzztext(data, size);
    const char *date = makegmtdate(text.c_str());
    if (strlen(date) >= TIMETEXTSIZE)
        abort();
    const char *tm = makegmttime(text.c_str());
    if (strlen(tm) != 5 && strlen(tm) != 0)
        abort();
    char word[8];
    for (int n = -1; n <= 7; n++) {
        getlvalue(text.c_str(), n);
        getsvalue(text.c_str(), word, sizeof word, n);
    }
    return 0;
}
