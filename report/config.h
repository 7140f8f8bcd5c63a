// The site's settings: read into the request with their defaults, and
// checked as they are read, each doubt naming its line and what was taken
// instead.
#ifndef QUORLINK_CONFIG_H
#define QUORLINK_CONFIG_H

#include <stdint.h>

void readsettings(void);

// bandwidth= as operators write it: a whole number of bit/s, or one with
// an SI prefix and a unit ("64k", "2 Mbit/s", "1G", "2000000 bps"). 1 with
// the value in *bps, 0 for a text that is no bandwidth.
int bandwidthvalue(const char *text, int64_t *bps);

// The nearest of the settings' keys to a word that is none of them, as
// "bandwidth="; null when none is close.
const char *nearestkey(const char *word);

// Whether the channel can carry more between two records than a 32-bit
// counter holds: a counter may then wrap twice unseen.
int capacityexceeded(void);

#endif
