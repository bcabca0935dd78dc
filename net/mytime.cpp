#include "net/mytime.h"

#include <iostream>

float MyTime::totalTime = -1;

MyTime::MyTime() : tv1{}, tv2{}, tz{}, timeInterval(0) {}

void MyTime::SetStart() {
    gettimeofday(&tv1, &tz);
}

// Only the microsecond fields take part, so intervals are measured modulo one second.
void MyTime::SetEnd() {
    gettimeofday(&tv2, &tz);
    long interval = tv2.tv_usec - tv1.tv_usec;
    if (interval < 0) interval += 1000000;
    timeInterval = static_cast<float>(interval);
}

void MyTime::Wait(int microseconds) {
    timeval start;
    timeval now;
    gettimeofday(&start, &tz);
    gettimeofday(&now, &tz);
    for (;;) {
        long elapsed = now.tv_usec - start.tv_usec;
        if (elapsed < 0) elapsed += 1000000;
        if (elapsed >= microseconds) return;
        gettimeofday(&now, &tz);
    }
}

void MyTime::PrintInterval() {
    std::cout << "timeInterval " << timeInterval << std::endl;
}
