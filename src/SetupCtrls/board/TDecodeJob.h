#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <mutex>

// One file decoded beside the GUI (see TDecodeAhead), shared by the thread
// that decodes it and the picture that takes the decode over. The thread
// reads the JPEG header at once, then waits to learn the device size the
// picture will be drawn at; it decodes at the n/8 that still covers that
// size and scales the result smoothly to it, as the board picture would.
class TDecodeJob
{
public:
    // The file as read by its starter; `read` false: readError says why.
    TDecodeJob(const QString &fileName, bool read, const QByteArray &data, const QString &readError);

    QString FileName() const { return m_fileName; }

    // The thread's work: the header, the wait for a size, decoding, scaling.
    void Run();

    // The device size to prepare the picture for; the first one given counts.
    void DrawnAt(const QSize &device);
    // Waits for the file and its header. False when the file cannot be read
    // (*error says why); else *data holds its bytes and *size the picture's
    // own size, empty when it is not a JPEG or its header is damaged.
    bool WaitForHeader(QByteArray *data, QSize *size, QString *error);
    // Gives `device` unless a size was given, and waits for the pixels: the
    // picture prepared for the size that counts, and *full the picture at its
    // own size when it was decoded in full. Null when the decode failed
    // (*error says why) or was abandoned before a size came (*error empty).
    QImage WaitForImage(const QSize &device, QImage *full, QString *error);
    // Nobody will ask for the pixels: a thread still waiting for a size stops.
    void Abandon();
    // Waits for the thread to be done with the job.
    void WaitUntilDone();

private:
    enum class Stage { Reading, HeaderRead, Done };
    int sized(const QSize &size);
    void finish(const QImage &image, const QImage &full, const QString &error);

    const QString m_fileName;
    const bool m_read;
    const QByteArray m_data;
    const QString m_readError;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Stage m_stage = Stage::Reading;
    bool m_abandoned = false;
    bool m_deviceGiven = false;
    QSize m_device;
    QSize m_size;
    QImage m_image;
    QImage m_full;
    QString m_error;
    // Only the thread touches these.
    bool m_stopped = false;
    QSize m_target;
};
