#pragma once

#include "book/BookMaker.h"
#include "book/BookSettings.h"

#include <functional>
#include <memory>
#include <string>

namespace gq::app
{

/// The book engine as the window uses it. The program wires in the real book maker; tests
/// hand in a fake run.
class IBookRun
{
  public:
    virtual ~IBookRun() = default;

    /// Frees pages a failed earlier run left behind.
    virtual void DeleteOldPages() = 0;
    /// Makes the book; reports progress and completion to `progress`. Throws gq::Error (or
    /// another std::exception) on failure.
    virtual void BuildBook(const book::TBookSettings& settings, book::IBookProgress& progress) = 0;
    /// Called between drawing calls of a run, so the window can repaint.
    virtual void SetMessagePump(std::function<void()> pump) = 0;
    /// Where the run writes its page-stream file.
    virtual std::string PageStreamPath() const = 0;
    /// What the last book made is; set before BuildBook reports completion.
    virtual const book::TBookFacts& LastBookFacts() const = 0;
};

/// Makes the book engine writing its page stream to `pageStreamPath`; the empty text means the
/// default "velmoraquill.pgs" in the user's private temporary folder. Throws gq::Error when
/// the engine cannot be set up there.
using BookRunFactory = std::function<std::unique_ptr<IBookRun>(const std::string& pageStreamPath)>;

} // namespace gq::app
