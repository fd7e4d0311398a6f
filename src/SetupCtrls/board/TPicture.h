#pragma once

#include <QImage>
#include <QObject>

#include <memory>

class TDecodeJob;

// Holder of one picture. JPEG is decoded with libjpeg; other kinds through
// Qt's image reader. A file that cannot be decoded leaves the holder empty
// and says why on stderr.
//
// A file that a TDecodeAhead is decoding is taken over by LoadFromFile, which
// knows its size from the header; the pixels are taken when they are first
// asked for, waiting only if the decoder is not done. Damage found past the
// header empties the holder at that moment, with the same warning and OnChange.
class TPicture : public QObject
{
    Q_OBJECT
public:
    explicit TPicture(QObject *parent = nullptr);
    ~TPicture() override;

    // Every load, assignment or clearing reports OnChange, a failed load too
    // (it leaves the holder empty).
    bool LoadFromFile(const QString &fileName);
    bool LoadFromData(const QByteArray &data);
    void Assign(const TPicture *other);
    void Clear();

    bool Empty() const { return m_size.isEmpty(); }
    int Width() const { return m_size.width(); }
    int Height() const { return m_size.height(); }
    bool HasAlpha() const { return m_hasAlpha; }
    // The decoded image at the picture's own size, ready to draw: RGB32, or
    // premultiplied ARGB32 for a non-JPEG image with an alpha channel.
    const QImage &Image() const;
    // What to draw at `device` pixels, scaled smoothly to them unless it has
    // that size: the picture as its TDecodeAhead scaled it for exactly that
    // size, else Image().
    const QImage &ImageFor(const QSize &device) const;
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
    // The size a JPEG header gives; empty when the header is damaged or
    // names a size or colour space the decoder refuses.
    static QSize JpegSize(const QByteArray &data);
    // Starts with the JPEG start-of-image marker.
    static bool LooksLikeJpeg(const QByteArray &data);

signals:
    void OnChange();

private:
    bool load(const QByteArray &data, const QString &source);
    bool takeOver(const std::shared_ptr<TDecodeJob> &job, const QString &source);
    void fail(const QString &source, const QString &error);
    void setImage(const QImage &image);
    // Takes the pixels of a decode taken over, for drawing at `device`.
    void settle(const QSize &device) const;

    // The picture's own size; the pixels may still be on their way.
    QSize m_size;
    bool m_hasAlpha = false;
    mutable QImage m_image;
    // Scaled by the decoder for the one size the picture is drawn at.
    mutable QImage m_prepared;
    mutable std::shared_ptr<TDecodeJob> m_pending;
    QString m_pendingSource;
    QString m_lastError;
    bool m_transparent = false;
};
