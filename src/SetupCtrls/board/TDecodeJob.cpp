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

void TDecodeJob::Start()
{
    if (m_size.isEmpty())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ++m_running;
    }
    QThreadPool::globalInstance()->start([job = shared_from_this()] { job->decode(); });
}

void TDecodeJob::decode()
{
    QString error;
    const QImage full = TPicture::DecodeJpeg(m_data, &error);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_full = full;
    m_error = error;
    m_decoded = true;
    if (m_deviceGiven && !full.isNull()) {
        // The size came first: scaled on this thread, right away.
        lock.unlock();
        scale();
        lock.lock();
    }
    --m_running;
    m_changed.notify_all();
}

void TDecodeJob::scale()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const QImage full = m_full;
    const QSize device = m_device;
    lock.unlock();
    // A pool thread scales alone: Qt spreads a scaling over the pool only
    // when the caller is not one of its threads.
    const QImage prepared
        = full.size() == device ? full : full.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    lock.lock();
    m_prepared = prepared;
    m_scaled = true;
    m_changed.notify_all();
}

void TDecodeJob::DrawnAt(const QSize &device)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_deviceGiven)
        return;
    m_deviceGiven = true;
    // Scaling to nothing gives nothing; one pixel still tells the decode went well.
    m_device = device.expandedTo(QSize(1, 1));
    if (m_decoded && !m_full.isNull()) {
        // The decode came first: scaled on a thread of its own.
        ++m_running;
        QThreadPool::globalInstance()->start([job = shared_from_this()] {
            job->scale();
            const std::lock_guard<std::mutex> lock(job->m_mutex);
            --job->m_running;
            job->m_changed.notify_all();
        });
    }
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
    m_changed.wait(lock, [this] { return m_decoded && (m_full.isNull() || m_scaled); });
    *full = m_full;
    *error = m_error;
    return m_prepared;
}

void TDecodeJob::WaitUntilIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_running == 0; });
}
