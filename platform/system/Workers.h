#pragma once
// Work shared out over the processor's cores.

#include <functional>

// How many threads at once this process gains from: the processor's cores, at least 1.
unsigned CoreCount();

// Calls Work(Worker) for every Worker of 0 … Workers − 1 at the same time: worker 0 on the calling thread,
// each other on a thread of its own or, where the system refuses one, on the calling thread afterwards.
// Returns when every call has ended, raising again the first exception one of them raised.
void RunOnWorkers(unsigned Workers, const std::function<void(unsigned Worker)>& Work);
