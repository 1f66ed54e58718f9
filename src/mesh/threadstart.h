#pragma once

#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Starts a thread running work and adds it to threads; false when the
// system would not start one (no room for its stack, or no thread left),
// so that the caller goes on with fewer.
template <typename Work>
bool startThread(std::vector<std::thread>& threads, Work&& work)
{
    try {
        threads.reserve(threads.size() + 1);
        threads.emplace_back(std::forward<Work>(work));
        return true;
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
