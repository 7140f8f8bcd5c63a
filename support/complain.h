// What went wrong with the site, told to the operator: one line in the
// server's error log (standard error), or under IIS, which would show
// standard error to the visitor, in the Windows event log. The page never
// shows it.
#ifndef QUORLINK_COMPLAIN_H
#define QUORLINK_COMPLAIN_H

// "quorlink: FILE: REASON (in FOLDER)", FOLDER the working folder (left out
// when it cannot be told), control bytes shown as \xNN.
void complain(const char *file, const char *reason);

#endif
