// What went wrong with the site, told to the operator: one line in the
// server's error log (standard error), or under IIS, which would show
// standard error to the visitor, in the Windows event log. The page never
// shows it.
#ifndef QUORLINK_COMPLAIN_H
#define QUORLINK_COMPLAIN_H

// "quorlink: FILE: REASON (in FOLDER; query "QUERY"; client ADDRESS)":
// FOLDER the working folder, QUERY and ADDRESS the request's as the server
// passes them (each left out when it cannot be told), control bytes and
// quotes shown as \xNN. Where the server writes the line to its log as it
// comes, with no time of its own, the line starts with the time.
void complain(const char *file, const char *reason);
// No line at all: for a command that says its findings itself.
void complainquiet(int on);

#endif
