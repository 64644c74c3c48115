#pragma once

// The host's Qt side, a library of its own so that the host program links no Qt and can run the
// start-up checks first. It owns the application object, which outlives the window so that the
// worker can finish after the window has closed, and it runs the demo.

#include <atomic>

class QApplication;

struct Host_Qt
{
    // Creates the application object on the calling (main) thread, offscreen when asked.
    QApplication* (*begin)(bool offscreen) = nullptr;
    // Once the window is shown: fills it, presses "輸出單據", waits for the three envelopes,
    // saves a picture of the window beside them and closes it.
    void (*start_demo)(const std::atomic<int>& envelopes_made) = nullptr;
    void (*end)(QApplication* application) = nullptr;
};

inline constexpr char host_qt_begin_name[] = "pelderwick_host_begin";
inline constexpr char host_qt_start_demo_name[] = "pelderwick_host_start_demo";
inline constexpr char host_qt_end_name[] = "pelderwick_host_end";
