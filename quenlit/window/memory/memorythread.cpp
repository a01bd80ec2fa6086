#include "window/memory/memorythread.h"

namespace quenlit {

MemoryThread::MemoryThread() : m_thread([this] { run(); }) {}

MemoryThread::~MemoryThread()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_cancelled = true;
        m_jobs.clear();
        m_latest = nullptr;
    }
    m_wake.notify_all();
    m_thread.join();
}

void MemoryThread::open(const std::string &path, std::function<void(const memory::OpenedMemory &)> done)
{
    post([this, path, done = std::move(done)](memory::TranslationMemory *) {
        memory::OpenedMemory opened = memory::OpenSqliteMemory(path);
        done(opened);
        m_memory = std::move(opened.memory);
    });
}

void MemoryThread::post(Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void MemoryThread::postLatest(Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_latest = std::move(job);
    }
    m_wake.notify_all();
}

void MemoryThread::dropWaiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latest = nullptr;
}

void MemoryThread::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty() || m_latest; });
            if (!m_jobs.empty()) {
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            } else if (m_latest) {
                job = std::move(m_latest);
                m_latest = nullptr;
            } else {
                break; // stopping, nothing left
            }
        }
        job(m_memory.get());
    }
    m_memory.reset();
}

} // namespace quenlit
