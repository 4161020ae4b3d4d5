#pragma once
// Long picture work off the user-interface thread, with the busy cursor once it takes a while.

#include <chrono>
#include <functional>

// How long work runs before the busy cursor shows.
inline constexpr std::chrono::milliseconds BusyCursorDelay{333};

// Runs Work on a worker thread while this thread waits in a local event loop that repaints the windows
// but takes no user input, so no other command starts meanwhile (input that arrives waits until the work
// is done). From BusyCursorDelay on, until Work ends, the busy cursor shows. An exception of Work is
// raised again here. Work must touch no widget and nothing the paint handlers read.
void RunOffInterfaceThread(const std::function<void()>& Work);
