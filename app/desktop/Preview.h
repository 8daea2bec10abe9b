#pragma once

#include "book/BookPreview.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace gq::app
{

/// Shows one page of a preview, scaled to fit and centred, painted afresh at the widget's
/// device pixels (sharp at any scaling) with TPagePainter.
class TPreviewView final : public QWidget
{
  public:
    explicit TPreviewView(QWidget* parent = nullptr);

    /// Shows page `page` of `preview`; null shows nothing.
    void SetPage(std::shared_ptr<const book::TPreview> preview, int page);
    bool HasPage() const { return m_preview != nullptr; }
    QSize sizeHint() const override { return {409, 527}; }
    bool hasHeightForWidth() const override { return false; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::shared_ptr<const book::TPreview> m_preview;
    int m_page = 1;
    QImage m_cache; ///< the page at the current size; null when it must be painted again
};

/// Makes previews on a thread of its own, one at a time. A request made while one is being
/// made replaces any request still waiting, so a quick run of changes makes only the first and
/// the last preview.
class TPreviewWorker final : public QObject
{
  public:
    /// `done` is called on the thread of `receiver` (the window) with the request's number and
    /// either the preview or the reason it could not be made.
    using TDone =
        std::function<void(int generation, std::shared_ptr<book::TPreview>, QString error)>;

    TPreviewWorker(QObject& receiver, TDone done);
    /// Stops the thread once the preview being made is done.
    ~TPreviewWorker() override;

    /// Asks for the preview of `settings` as request number `generation`.
    void Request(int generation, const book::TBookSettings& settings);

  private:
    void MakeLatest();

    QObject& m_receiver;
    TDone m_done;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; ///< lives on m_thread; runs the work there
    std::unique_ptr<book::TBookPreviewMaker> m_maker;
    std::mutex m_lock;
    bool m_waiting = false;
    int m_generation = 0;
    book::TBookSettings m_settings;
};

} // namespace gq::app
