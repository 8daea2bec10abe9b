#include "app/desktop/BookMakerRun.h"

namespace gq::app
{
namespace
{

class TBookMakerRun final : public IBookRun
{
  public:
    explicit TBookMakerRun(const std::string& pageStreamPath)
        : m_maker(pageStreamPath.empty() ? std::make_unique<book::TBookMaker>()
                                         : std::make_unique<book::TBookMaker>(pageStreamPath))
    {}

    void DeleteOldPages() override { m_maker->DeleteOldPages(); }
    void BuildBook(const book::TBookSettings& settings, book::IBookProgress& progress) override
    {
        m_maker->BuildBook(settings, progress);
    }
    void SetMessagePump(std::function<void()> pump) override
    {
        m_maker->SetMessagePump(std::move(pump));
    }
    std::string PageStreamPath() const override { return m_maker->PageStreamPath(); }
    const book::TBookFacts& LastBookFacts() const override { return m_maker->LastBookFacts(); }

  private:
    std::unique_ptr<book::TBookMaker> m_maker;
};

} // namespace

std::unique_ptr<IBookRun> MakeBookMakerRun(const std::string& pageStreamPath)
{
    return std::make_unique<TBookMakerRun>(pageStreamPath);
}

} // namespace gq::app
