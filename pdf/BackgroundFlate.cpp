#include "pdf/BackgroundFlate.h"

#include "pdf/Flate.h"

#include <system_error>
#include <utility>

namespace gq::pdf
{

TBackgroundFlate::TBackgroundFlate()
{
    try {
        m_helper = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No thread: Take compresses every stream itself.
    }
}

TBackgroundFlate::~TBackgroundFlate()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_helper.joinable())
        m_helper.join();
}

void TBackgroundFlate::Submit(std::string_view content)
{
    {
        std::lock_guard lock(m_mutex);
        m_byContent[content.data()] = m_jobs.size();
        TJob job;
        job.Content = content;
        m_jobs.push_back(std::move(job));
        if (m_helper.joinable())
            m_queue.push_back(m_jobs.size() - 1);
    }
    m_wake.notify_one();
}

std::string TBackgroundFlate::Take(std::string_view content)
{
    std::unique_lock lock(m_mutex);
    const auto found = m_byContent.find(content.data());
    if (found == m_byContent.end() || m_jobs[found->second].Content.size() != content.size() ||
        m_jobs[found->second].State == TState::Taken) {
        lock.unlock();
        return FlateCompress(content);
    }
    const std::size_t index = found->second;
    if (m_jobs[index].State == TState::Queued) {
        // Not reached yet: this thread does it, and the helper will pass it by.
        m_jobs[index].State = TState::Taken;
        lock.unlock();
        return FlateCompress(content);
    }
    m_done.wait(lock, [this, index] { return m_jobs[index].State == TState::Done; });
    TJob& job = m_jobs[index];
    job.State = TState::Taken;
    if (job.Error)
        std::rethrow_exception(std::exchange(job.Error, nullptr));
    return std::move(job.Packed);
}

void TBackgroundFlate::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        const std::size_t index = m_queue.front();
        m_queue.pop_front();
        if (m_jobs[index].State != TState::Queued)
            continue; // taken meanwhile
        Compress(lock, index);
    }
}

void TBackgroundFlate::CompressRest()
{
    std::unique_lock lock(m_mutex);
    while (!m_queue.empty()) {
        const std::size_t index = m_queue.back();
        m_queue.pop_back();
        if (m_jobs[index].State == TState::Queued)
            Compress(lock, index);
    }
}

void TBackgroundFlate::Compress(std::unique_lock<std::mutex>& lock, std::size_t index)
{
    m_jobs[index].State = TState::Working;
    const std::string_view content = m_jobs[index].Content;
    lock.unlock();
    std::string packed;
    std::exception_ptr error;
    try {
        packed = FlateCompress(content);
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    // m_jobs may have grown meanwhile: look the job up again.
    m_jobs[index].Packed = std::move(packed);
    m_jobs[index].Error = error;
    m_jobs[index].State = TState::Done;
    m_done.notify_all();
}

} // namespace gq::pdf
