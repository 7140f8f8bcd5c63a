// What went wrong with the site, told to the operator: one line on standard
// error, which web servers put in their error log. The page never shows it.
#ifndef QUORLINK_COMPLAIN_H
#define QUORLINK_COMPLAIN_H

// "quorlink: FILE: REASON", control bytes shown as \xNN.
void complain(const char *file, const char *reason);

#endif
