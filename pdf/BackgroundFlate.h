#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace gq::pdf
{

/// Compresses finished page content streams with FlateCompress on a helper thread while the
/// document goes on, so that compression (a third of a print-ready book's work) runs beside the
/// rest on a second core. Take hands each one back, compressing on the calling thread what the
/// helper has not reached, so the bytes are those of FlateCompress called in order, and the
/// document never waits for the helper longer than one stream. Without a thread to be had,
/// everything is compressed in Take.
///
/// A content stream handed to Submit must stay as it is, in place, until Take has returned it
/// or this object is gone.
class TBackgroundFlate
{
  public:
    TBackgroundFlate();
    /// Stops the helper after the stream it is compressing, if any.
    ~TBackgroundFlate();
    TBackgroundFlate(const TBackgroundFlate&) = delete;
    TBackgroundFlate& operator=(const TBackgroundFlate&) = delete;

    /// Queues `content` for compression.
    void Submit(std::string_view content);
    /// FlateCompress(content): the helper's result when `content` was submitted (waiting while
    /// the helper is on it), else compressed now. Rethrows what compressing it threw.
    std::string Take(std::string_view content);
    /// Compresses on the calling thread the queued streams the helper has not reached, last
    /// first, while the helper works from the first: once the document is complete, both
    /// threads finish the compression together. Errors are kept for Take.
    void CompressRest();

  private:
    enum class TState
    {
        Queued,
        Working,
        Done,
        Taken
    };
    struct TJob
    {
        std::string_view Content;
        TState State = TState::Queued;
        std::string Packed;
        std::exception_ptr Error;
    };
    void Work();
    /// Compresses job `index` (Working, the lock released meanwhile) and marks it Done.
    void Compress(std::unique_lock<std::mutex>& lock, std::size_t index);

    std::mutex m_mutex;
    std::condition_variable m_wake; ///< the helper: a job or the end
    std::condition_variable m_done; ///< Take: a job finished
    std::vector<TJob> m_jobs;
    std::deque<std::size_t> m_queue;
    std::unordered_map<const char*, std::size_t> m_byContent;
    bool m_stopping = false;
    std::thread m_helper; ///< last: it starts once the members above exist
};

} // namespace gq::pdf
