#include "app/desktop/Preview.h"

#include "app/desktop/PagePainter.h"
#include "pdf/PdfError.h"

#include <QPaintEvent>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace gq::app
{

TPreviewView::TPreviewView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(200, 240);
}

void TPreviewView::SetPage(std::shared_ptr<const book::TPreview> preview, int page)
{
    m_preview = std::move(preview);
    m_page = page;
    m_cache = QImage();
    update();
}

void TPreviewView::resizeEvent(QResizeEvent* event)
{
    m_cache = QImage();
    QWidget::resizeEvent(event);
}

void TPreviewView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!m_preview || m_preview->PageWidth <= 0 || m_preview->PageHeight <= 0)
        return;
    // The page as large as the widget allows, less a margin for its shadow.
    const double room = 8;
    const double inchPixels = std::min((width() - 2 * room) / m_preview->PageWidth,
                                       (height() - 2 * room) / m_preview->PageHeight);
    if (inchPixels <= 0)
        return;
    const QSizeF page(m_preview->PageWidth * inchPixels, m_preview->PageHeight * inchPixels);
    const QRectF target(QPointF((width() - page.width()) / 2, (height() - page.height()) / 2),
                        page);
    const double ratio = devicePixelRatioF();
    if (m_cache.isNull()) {
        try {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_preview->Stream.data());
            m_cache =
                PaintPageImage({bytes, m_preview->Stream.size()}, m_page, m_preview->PageWidth,
                               m_preview->PageHeight, inchPixels * ratio);
            m_cache.setDevicePixelRatio(ratio);
        } catch (const std::exception&) {
            m_cache = QImage(); // a page the stream lacks shows the empty sheet
        }
    }
    painter.fillRect(target.translated(3, 3), QColor(0, 0, 0, 40));
    painter.fillRect(target, Qt::white);
    if (!m_cache.isNull())
        painter.drawImage(target.topLeft(), m_cache);
    painter.setPen(QColor(0xb0, 0xb4, 0xbb));
    painter.drawRect(target);
}

TPreviewWorker::TPreviewWorker(QObject& receiver, TDone done)
    : m_receiver(receiver), m_done(std::move(done)), m_thread(std::make_unique<QThread>()),
      m_maker(std::make_unique<book::TBookPreviewMaker>())
{
    m_context = new QObject;
    m_context->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

TPreviewWorker::~TPreviewWorker()
{
    {
        std::lock_guard lock(m_lock);
        m_waiting = false;
    }
    m_thread->quit();
    m_thread->wait();
}

void TPreviewWorker::Request(int generation, const book::TBookSettings& settings)
{
    bool start = false;
    {
        std::lock_guard lock(m_lock);
        start = !m_waiting;
        m_waiting = true;
        m_generation = generation;
        m_settings = settings;
    }
    if (start)
        QMetaObject::invokeMethod(
            m_context, [this] { MakeLatest(); }, Qt::QueuedConnection);
}

void TPreviewWorker::MakeLatest()
{
    int generation = 0;
    book::TBookSettings settings;
    {
        std::lock_guard lock(m_lock);
        if (!m_waiting)
            return;
        m_waiting = false;
        generation = m_generation;
        settings = m_settings;
    }
    std::shared_ptr<book::TPreview> preview;
    QString error;
    try {
        preview = std::make_shared<book::TPreview>(m_maker->Make(settings));
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
    }
    QMetaObject::invokeMethod(
        &m_receiver,
        [done = m_done, generation, preview, error] { done(generation, preview, error); },
        Qt::QueuedConnection);
}

} // namespace gq::app
