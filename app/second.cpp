// app/second.cpp: second(): processor time in seconds, continuous across wraps of the tick counter
#include "app/fatal.h"

#include <cstdint>
#include <ctime>

// The tick count is taken as a signed 32-bit number of microseconds, as it is on the platforms
// where it wraps: a drop below the previous count is one wrap of 2^32 ticks.
double second()
{
    static int last_num_ticks = 0;           // tick count returned by the previous call
    static double inv_clocks_per_sec = 1e-6; // seconds per tick
    static double clock_width = 4294.967296; // seconds in one wrap of 2^32 ticks
    static int clock_rollovers = 0;          // wraps seen so far

    int t = (int)(int32_t)(uint32_t)clock();
    if (t < last_num_ticks)
        clock_rollovers++;
    double s = t * inv_clocks_per_sec;
    if (clock_rollovers != 0)
        s += clock_rollovers * clock_width;
    last_num_ticks = t;
    return s;
}
