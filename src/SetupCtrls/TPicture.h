#pragma once

#include <QImage>
#include <QObject>

// Holder of one picture. JPEG is decoded with libjpeg; other kinds through
// Qt's image reader. A file that cannot be decoded leaves the holder empty
// and says why on stderr.
class TPicture : public QObject
{
    Q_OBJECT
public:
    explicit TPicture(QObject *parent = nullptr);

    bool LoadFromFile(const QString &fileName);
    bool LoadFromData(const QByteArray &data);
    void Assign(const TPicture *other);
    void Clear();

    bool Empty() const { return m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // The decoded image, ready to draw (32-bit, opaque).
    const QImage &Image() const { return m_image; }
    // What the last failed load said; empty after a good one.
    QString LastError() const { return m_lastError; }

    // Direct access to the decoder, for tests and tools; on failure the image
    // is null and *error says why.
    static QImage DecodeJpeg(const QByteArray &data, QString *error = nullptr, bool *progressive = nullptr,
                             int *components = nullptr);

signals:
    void OnChange();

private:
    void setImage(const QImage &image);

    QImage m_image;
    QString m_lastError;
};
