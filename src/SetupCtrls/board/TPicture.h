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

    // Every load, assignment or clearing reports OnChange, a failed load too
    // (it leaves the holder empty).
    bool LoadFromFile(const QString &fileName);
    bool LoadFromData(const QByteArray &data);
    void Assign(const TPicture *other);
    void Clear();

    bool Empty() const { return m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // The decoded image, ready to draw: RGB32, or premultiplied ARGB32 for a
    // non-JPEG image with an alpha channel.
    const QImage &Image() const { return m_image; }
    // What the last failed load said; empty after a good one.
    QString LastError() const { return m_lastError; }

    // The graphic's own transparency flag; the board picture passes its
    // Transparent property on to it. Reports OnChange when it changes.
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool value);

    // True-colour displays only: a picture never carries a palette.
    bool HasPalette() const { return false; }

    // Direct access to the decoder, for tests and tools; on failure the image
    // is null and *error says why. Corrupt or truncated data fails as a whole:
    // a warning from the decoder counts as an error.
    static QImage DecodeJpeg(
        const QByteArray &data, QString *error = nullptr, bool *progressive = nullptr, int *components = nullptr);
    // Starts with the JPEG start-of-image marker.
    static bool LooksLikeJpeg(const QByteArray &data);

signals:
    void OnChange();

private:
    bool load(const QByteArray &data, const QString &source);
    void fail(const QString &source, const QString &error);
    void setImage(const QImage &image);

    QImage m_image;
    QString m_lastError;
    bool m_transparent = false;
};
