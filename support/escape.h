// The one way a text from the request or the settings reaches the page.
#ifndef QUORLINK_ESCAPE_H
#define QUORLINK_ESCAPE_H

// The text with & < > " ' as character references, in a static buffer that
// the next call overwrites.
const char *htmlesc(const char *text);

#endif
