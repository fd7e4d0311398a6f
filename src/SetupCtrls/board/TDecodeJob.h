#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>

// One JPEG file decoded on Qt's thread pool (see TDecodeAhead), shared by
// the pool and the picture that takes the decode over. The decode starts
// once the device size the picture is drawn at is known, and the same pool
// thread then scales the picture smoothly to it, as the board picture would
// at its paint. Nothing on the pool waits: the application object waits for
// the pool at its end.
class TDecodeJob : public std::enable_shared_from_this<TDecodeJob>
{
public:
    // The file as read by its starter; `read` false: readError says why.
    TDecodeJob(const QString &fileName, bool read, const QByteArray &data, const QString &readError);

    QString FileName() const { return m_fileName; }
    bool Read() const { return m_read; }
    QByteArray Data() const { return m_data; }
    QString ReadError() const { return m_readError; }
    // From the header: empty when it is not a JPEG or the header is damaged,
    // and then there is nothing to decode.
    QSize Size() const { return m_size; }

    // The device size the picture will be drawn at: starts the decode on the
    // pool. Only the first size given counts.
    void DrawnAt(const QSize &device);
    // Gives `device` unless a size was given, and waits for the pixels: the
    // picture scaled for the size that counts and, in *full, at its own size;
    // both null when there is nothing to decode or the decode failed (*error
    // says why).
    QImage WaitForImage(const QSize &device, QImage *full, QString *error);
    // Waits until the decode, once started, is done.
    void WaitUntilIdle();

private:
    void run();

    const QString m_fileName;
    const bool m_read;
    const QByteArray m_data;
    const QString m_readError;
    const QSize m_size;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_done = false;
    QSize m_device;
    QImage m_full;
    QImage m_prepared;
    QString m_error;
};
