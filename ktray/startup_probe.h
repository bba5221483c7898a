// Named points of ktray's start-up, at which a test copy of ktray can be ended to show that every
// later start completes whatever point an earlier one was ended at. Only the test copy
// (ktray_probe.exe, built with KTRAY_STARTUP_PROBES) has them: in ktray.exe they are nothing.
#pragma once

#ifdef KTRAY_STARTUP_PROBES
namespace ktray {
// Ends the process at once when the environment's KTRAY_END_AT names point.
void StartupProbe(const char* point);
}  // namespace ktray
#define KTRAY_STARTUP_POINT(point) ::ktray::StartupProbe(point)
// The test copy keeps no pause, so that many starts fit in a short test.
#define KTRAY_STARTUP_PAUSE(ms) 0
#else
#define KTRAY_STARTUP_POINT(point) ((void)0)
#define KTRAY_STARTUP_PAUSE(ms) (ms)
#endif
