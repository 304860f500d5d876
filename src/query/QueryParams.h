// What one report query asks for, taken from the window's controls (or the command line) when
// the query starts and handed to the worker by value: the worker never reads a window.
#pragma once

#include <array>

#include "base/SysTime.h"
#include "data/SqlBuilders.h"

namespace zl {

struct ChartSettings;

struct QueryParams {
    int counterType = 1;  // 1..7
    int range = 0;        // 0 Day, 1 Week, 2 Month
    SYSTEMTIME startDate{};
    int direction = 0;    // 0 both, 1 in, 2 out (which columns the views show)
    int heightClass = 0;  // 0 all, 1 three classes, 2 above, 3 below
    int heightUnit = 0;   // 0 centimetres, 1 inches
    int heightLow = 110;  // as the user typed them, in heightUnit
    int heightHigh = 150;
    int periodMinutes = 60;  // Day range of counter types 3..7
    std::array<int, 10> regionVisible{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    int queueType = 0;       // queue measure 0..3
    WorkingHourTable hours;  // entry k for Monday + k
    // How the sites are asked: a bucket pass per site where its handle can (else
    // one statement per bucket), and up to siteThreads sites at once (1: one after another).
    bool bucketPass = true;
    int siteThreads = 4;
    // The sites' server clients are already the run's own, connected and logged in (a
    // comparison runs both periods on one connection per site; reporter-cli reads through the
    // clients that found the cameras): the workers use them and leave them open.
    bool ownClientsReady = false;
};

// The working hours of the chart settings (entry k = Monday + k).
WorkingHourTable WorkingHoursOf(const ChartSettings& settings);

// A height threshold in millimetres, the unit of the Height column: centimetres times 10,
// inches times 25.4 truncated toward zero (computed in integers, so 110 in is exactly 2794).
int ThresholdToMillimetres(int value, int unit);

}  // namespace zl
