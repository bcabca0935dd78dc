#ifndef NET_MYTIME_H
#define NET_MYTIME_H

#include <sys/time.h>

// Interval timer and the server clock. Only the static totalTime is used by the cycle.
class MyTime {
  public:
    static float totalTime;  // server simulation clock in seconds, -1 until the first message

    timeval tv1;
    timeval tv2;
    struct timezone tz;
    float timeInterval;  // microseconds, modulo one second

    MyTime();

    void SetStart();
    void SetEnd();
    void Wait(int microseconds);
    void PrintInterval();
};

#endif
