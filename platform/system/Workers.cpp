#include "platform/system/Workers.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

unsigned CoreCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void RunOnWorkers(unsigned Workers, const std::function<void(unsigned Worker)>& Work)
{
    std::mutex FailureLock;
    std::exception_ptr Failure;
    const auto Run = [&](unsigned Worker) {
        try {
            Work(Worker);
        } catch (...) {
            const std::lock_guard Guard(FailureLock);
            if (!Failure) Failure = std::current_exception();
        }
    };
    std::vector<unsigned> Refused;
    Refused.reserve(Workers);
    {
        std::vector<std::jthread> Threads;
        Threads.reserve(Workers);
        for (unsigned Worker = 1; Worker < Workers; ++Worker) {
            try {
                Threads.emplace_back(Run, Worker);
            } catch (const std::system_error&) {
                Refused.push_back(Worker);
            }
        }
        Run(0);
        for (const unsigned Worker : Refused) Run(Worker);
    } // the threads are joined here
    if (Failure) std::rethrow_exception(Failure);
}
