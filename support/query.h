// The request's query text: URL decoding and parameter lookup.
#ifndef QUORLINK_QUERY_H
#define QUORLINK_QUERY_H

enum { QUERYSIZE = 1024 };

// The whole text decoded: "+" to a blank, "%" and two hex digits to a byte.
const char *getnormpar(const char *ptpar);
// The value after the first occurrence of ptname (with its "="), up to the
// next "&", blank, line feed or the end; the empty text when it is absent.
const char *getquery(const char *ptquery, const char *ptname);

#endif
