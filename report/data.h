// The answers for programs: CSV and JSON of every answer, and the metrics
// that a Prometheus server scrapes. None draws a chart, takes the lock or
// writes a file, so any number of them run side by side.
#ifndef QUORLINK_DATA_H
#define QUORLINK_DATA_H

// Whether the request asks for data (format=, action=metrics), not a page.
int dataasked(void);
void dataanswer(void);

#endif
