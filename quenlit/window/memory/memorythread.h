#pragma once

#include "memory/sqlitememory.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quenlit {

// One connection to the translation memory on a thread of its own: jobs run
// there in the order posted, so that nothing the database does (a lookup, the
// units of a save) waits in the window's thread. A job posted as the latest
// replaces the one of that kind still waiting (only the newest lookup counts).
// The destructor drops the waiting jobs and tells the running one to stop
// (cancelled()), then joins: closing the editor never waits for a long import.
class MemoryThread
{
public:
    using Job = std::function<void(memory::TranslationMemory *memory)>; // null memory: none could be opened

    MemoryThread();
    ~MemoryThread();
    MemoryThread(const MemoryThread &) = delete;
    MemoryThread &operator=(const MemoryThread &) = delete;

    // Opens the database at `path` first; `done` runs on the thread with what came of it.
    void open(const std::string &path, std::function<void(const memory::OpenedMemory &)> done);
    void post(Job job);
    void postLatest(Job job);
    // The latest job, if it has not started, is dropped.
    void dropWaiting();
    // Jobs that take long look at this now and then and give up when it is set.
    bool cancelled() const { return m_cancelled.load(); }

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    Job m_latest;
    bool m_stopping = false;
    std::atomic<bool> m_cancelled{false};
    std::unique_ptr<memory::TranslationMemory> m_memory; // the thread's own
    std::thread m_thread;
};

} // namespace quenlit
