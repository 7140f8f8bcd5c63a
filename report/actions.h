// What the page says after the scan, by action.
#ifndef QUORLINK_ACTIONS_H
#define QUORLINK_ACTIONS_H

extern const char deniedmsg[];
extern const char notfoundmsg[];

// Scans the log under the request lock and answers the request.
void report(void);

#endif
