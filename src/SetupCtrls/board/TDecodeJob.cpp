#include "TDecodeJob.h"

#include "TPicture.h"

#include <QThreadPool>

TDecodeJob::TDecodeJob(const QString &fileName, bool read, const QByteArray &data, const QString &readError)
    : m_fileName(fileName)
    , m_read(read)
    , m_data(data)
    , m_readError(readError)
    , m_size(read ? TPicture::JpegSize(data) : QSize())
{ }

void TDecodeJob::DrawnAt(const QSize &device)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_started || m_size.isEmpty())
        return;
    m_started = true;
    // Scaling to nothing gives nothing; one pixel still tells the decode went well.
    m_device = device.expandedTo(QSize(1, 1));
    QThreadPool::globalInstance()->start([job = shared_from_this()] { job->run(); });
}

void TDecodeJob::run()
{
    QString error;
    const QImage full = TPicture::DecodeJpeg(m_data, &error);
    // m_device was set before the pool started this, and stays.
    QImage prepared = full;
    if (!full.isNull() && full.size() != m_device) {
        // A pool thread scales alone: Qt spreads a scaling over the pool only
        // when the caller is not one of its threads.
        prepared = full.scaled(m_device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_full = full;
    m_prepared = prepared;
    m_error = error;
    m_done = true;
    m_changed.notify_all();
}

QImage TDecodeJob::WaitForImage(const QSize &device, QImage *full, QString *error)
{
    if (m_size.isEmpty()) {
        *full = QImage();
        *error = m_read ? QStringLiteral("not a JPEG picture") : m_readError;
        return QImage();
    }
    DrawnAt(device);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    *full = m_full;
    *error = m_error;
    return m_prepared;
}

void TDecodeJob::WaitUntilIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_started || m_done; });
}
