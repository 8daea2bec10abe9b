#pragma once

#include "pdf/PdfFormat.h"

#include <cstddef>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

namespace gq::pdf
{

/// Collects the bytes of content operators in a buffer of its own and appends them to a string
/// in one piece when the buffer fills, on Flush and when the writer goes out of scope, so that
/// a text or a line costs one append rather than one per word and number. The text is the same
/// as FormatPdf writes. The string is not owned; nothing else may write to it while the writer
/// holds unflushed bytes.
///
/// The flush on going out of scope may throw (std::bad_alloc when the string cannot grow): the
/// destructor lets that exception reach the caller instead of ending the program. A writer left
/// because an exception is already on its way drops its unflushed bytes, whose page is being
/// abandoned anyway.
class TOperatorWriter
{
  public:
    explicit TOperatorWriter(std::string& out) : m_out(out) {}
    ~TOperatorWriter() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_uncaught)
            Flush();
    }
    TOperatorWriter(const TOperatorWriter&) = delete;
    TOperatorWriter& operator=(const TOperatorWriter&) = delete;

    [[gnu::always_inline]] void Put(char c)
    {
        if (m_end == kCapacity)
            Flush();
        m_buffer[m_end++] = c;
    }

    [[gnu::always_inline]] void Put(std::string_view text)
    {
        if (text.size() <= kCapacity - m_end) {
            if (!text.empty()) // an empty view may hold a null pointer, which memcpy forbids
                std::memcpy(m_buffer + m_end, text.data(), text.size());
            m_end += text.size();
        } else {
            PutLong(text);
        }
    }

    [[gnu::always_inline]] TOperatorWriter& operator+=(char c)
    {
        Put(c);
        return *this;
    }

    [[gnu::always_inline]] TOperatorWriter& operator+=(std::string_view text)
    {
        Put(text);
        return *this;
    }

    /// "%.4f" of `value`.
    void Fixed4(double value)
    {
        Reserve(kFixed4FastRoom);
        if (char* end = TryWriteFixed4(m_buffer + m_end, value)) {
            m_end = static_cast<std::size_t>(end - m_buffer);
        } else {
            Flush();
            AppendFixed4(m_out, value);
        }
    }

    /// "%d" of `value`, zero-padded to `minDigits` (at most 40) digits.
    void Integer(long long value, int minDigits = 1)
    {
        Reserve(64);
        m_end = static_cast<std::size_t>(
            WriteInteger(m_buffer + m_end, value, minDigits < 40 ? minDigits : 40) - m_buffer);
    }

    /// `text` with "\" put before every "(", ")" and "\" (EscapePdfString).
    void Escaped(std::string_view text)
    {
        for (char c : text) {
            if (c == '(' || c == ')' || c == '\\')
                Put('\\');
            Put(c);
        }
    }

    /// Appends the collected bytes to the string.
    void Flush()
    {
        m_out.append(m_buffer, m_end);
        m_end = 0;
    }

  private:
    static constexpr std::size_t kCapacity = 256;

    void PutLong(std::string_view text)
    {
        Flush();
        if (text.size() > kCapacity) {
            m_out.append(text);
        } else {
            std::memcpy(m_buffer, text.data(), text.size());
            m_end = text.size();
        }
    }

    void Reserve(std::size_t room)
    {
        if (kCapacity - m_end < room)
            Flush();
    }

    std::string& m_out;
    const int m_uncaught = std::uncaught_exceptions(); ///< exceptions in flight when made
    std::size_t m_end = 0;
    char m_buffer[kCapacity];
};

} // namespace gq::pdf
