// The one way a text from the request or the settings reaches an answer,
// one helper per format: a page, a CSV field, a JSON string.
#ifndef QUORLINK_ESCAPE_H
#define QUORLINK_ESCAPE_H

// The text with & < > " ' as character references, in a static buffer that
// the next call overwrites.
const char *htmlesc(const char *text);
// The text as one CSV field (RFC 4180): quoted, its quotes doubled, when it
// holds a comma, a quote or a line end.
const char *csvesc(const char *text);
// The text as a JSON string, quotes included: valid UTF-8 as it is, other
// bytes as the characters of the same numbers (Latin-1), control
// characters as \u escapes.
const char *jsonesc(const char *text);

// The text as the value of a header line: bytes outside printable ASCII
// as \xNN, so that no text ends the line or the header.
const char *headeresc(const char *text);

#endif
