// The two charts, drawn from the interval file and written as GIF.
#ifndef QUORLINK_CHART_H
#define QUORLINK_CHART_H

#include <gd.h>
#include <stdint.h>

// Height of a bar of hitsarray out of hitsmax over imageH pixels.
uint32_t getbarHeight(uint64_t hitsmax, int32_t imageH, uint32_t hitsarray);

// The chart drawn last, into the page, once the lock is let go; nothing
// when none was drawn.
void showchart(void);

// One column per interval line, Rx or Tx bytes as a share of the channel.
void drawloadchart(uint32_t totalcount);
// Average daily Rx and Tx load of the summary lines, two bars.
void drawsumchart(uint32_t totalcount);

// The charts drawn from the interval file, not yet written; null when the
// file cannot be read or the image cannot be made. The caller destroys it.
gdImagePtr loadchartimage(uint32_t totalcount);
gdImagePtr sumchartimage(uint32_t totalcount);

// libgd's own complaints become the program's: once, before any drawing.
void chartinit(void);

#endif
