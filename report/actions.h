// What the page says after the scan, by action.
#ifndef QUORLINK_ACTIONS_H
#define QUORLINK_ACTIONS_H

#include <stdint.h>

// The doubts found since the last call, each a paragraph of the page; a
// log that holds no record is said after "not found" instead.
void pagenotes(void);
// "Access denided !" and the sentence that says why; "The entered date is
// not found !" and, where the log holds no record, that reason.
void pagedenied(void);
void pagenotfound(void);

// The archives that were not read, named on the page.
void skippednotes(void);

// Scans the log under the request lock and answers the request.
void report(void);

#endif
