#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <mutex>

// One file decoded on a thread of its own (see TDecodeAhead), shared by that
// thread and the picture that takes the decode over. The thread reads the
// JPEG header at once, then waits to learn the device size the picture will
// be drawn at before it decodes, at the n/8 that covers it. No QObject lives
// on the thread: the first one of a process marks its thread as Qt's main.
class TDecodeJob
{
public:
    // The file as read by its starter; `read` false: readError says why.
    TDecodeJob(const QString &fileName, bool read, const QByteArray &data, const QString &readError);

    QString FileName() const { return m_fileName; }

    // The thread's work: the header, the wait for a size, the decode.
    void Run();

    // The device size to decode for; the first one given counts.
    void DrawnAt(const QSize &device);
    // Waits for the file and its header. False when the file cannot be read
    // (*error says why); else *data holds its bytes and *size the picture's
    // own size, empty when it is not a JPEG or its header is damaged.
    bool WaitForHeader(QByteArray *data, QSize *size, QString *error);
    // Gives `device` unless a size was given, and waits for the pixels: null
    // when the decode failed (*error says why) or was abandoned (*error empty).
    QImage WaitForImage(const QSize &device, QString *error);
    // Nobody will ask for the pixels: a thread still waiting for a size stops.
    void Abandon();

private:
    enum class Stage { Reading, HeaderRead, Done };
    int sized(const QSize &size);
    void finish(const QImage &image, const QString &error);

    const QString m_fileName;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_read;
    const QByteArray m_data;
    const QString m_readError;
    Stage m_stage = Stage::Reading;
    bool m_abandoned = false;
    // Only the thread touches this.
    bool m_stopped = false;
    QSize m_size;
    bool m_deviceGiven = false;
    QSize m_device;
    QImage m_image;
    QString m_error;
};
