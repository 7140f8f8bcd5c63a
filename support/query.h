// The request's query text: URL decoding and parameter lookup.
#ifndef QUORLINK_QUERY_H
#define QUORLINK_QUERY_H

enum { QUERYSIZE = 1024 };

// The whole text decoded: "+" to a blank, "%" and two hex digits to a byte.
const char *getnormpar(const char *ptpar);
// The value after the first occurrence of ptname (with its "="), up to the
// next "&", blank, line feed or the end; the empty text when it is absent.
const char *getquery(const char *ptquery, const char *ptname);

// The value of the parameter named exactly ptname (with its "="): at the
// start of the query or after an "&", up to the next "&" or the end, blanks
// kept. For the parameters whose names other names hold ("from=" inside
// "datefrom=", "to=" inside "auto="); the empty text when it is absent.
const char *getparam(const char *ptquery, const char *ptname);

#endif
