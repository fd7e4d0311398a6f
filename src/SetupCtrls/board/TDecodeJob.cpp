#include "TDecodeJob.h"

#include "TPicture.h"

TDecodeJob::TDecodeJob(const QString &fileName, bool read, const QByteArray &data, const QString &readError)
    : m_fileName(fileName)
    , m_read(read)
    , m_data(data)
    , m_readError(readError)
{ }

void TDecodeJob::Run()
{
    if (!m_read || !TPicture::LooksLikeJpeg(m_data)) {
        finish(QImage(), QImage(), m_readError);
        return;
    }
    QString error;
    QSize size;
    const QImage decoded = TPicture::DecodeJpegScaled(
        m_data, [this](const QSize &own) { return sized(own); }, &error, &size);
    if (decoded.isNull()) {
        // Stopped while waiting for a size: nothing went wrong.
        finish(QImage(), QImage(), m_stopped ? QString() : error);
        return;
    }
    // The board picture's own scaling, done here rather than in its paint.
    const QImage image = decoded.size() == m_target
        ? decoded
        : decoded.scaled(m_target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    finish(image, decoded.size() == size ? decoded : QImage(), QString());
}

int TDecodeJob::sized(const QSize &size)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_size = size;
    m_stage = Stage::HeaderRead;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_deviceGiven || m_abandoned; });
    m_stopped = !m_deviceGiven;
    m_target = m_device;
    return m_stopped ? 0 : TPicture::ScaleFor(size, m_device);
}

void TDecodeJob::finish(const QImage &image, const QImage &full, const QString &error)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stage = Stage::Done;
    m_image = image;
    m_full = full;
    m_error = error;
    m_changed.notify_all();
}

void TDecodeJob::DrawnAt(const QSize &device)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_deviceGiven)
        return;
    m_deviceGiven = true;
    // A picture drawn nowhere still needs pixels to come.
    m_device = device.expandedTo(QSize(1, 1));
    m_changed.notify_all();
}

bool TDecodeJob::WaitForHeader(QByteArray *data, QSize *size, QString *error)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Reading; });
    *data = m_data;
    *size = m_size;
    *error = m_readError;
    return m_read;
}

QImage TDecodeJob::WaitForImage(const QSize &device, QImage *full, QString *error)
{
    DrawnAt(device);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage == Stage::Done; });
    *full = m_full;
    *error = m_error;
    return m_image;
}

void TDecodeJob::Abandon()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_abandoned = true;
    m_changed.notify_all();
}

void TDecodeJob::WaitUntilDone()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage == Stage::Done; });
}
