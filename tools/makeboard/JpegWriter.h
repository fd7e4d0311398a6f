#pragma once

#include <QImage>
#include <QString>

// Encodes an image with libjpeg: three components (YCbCr), optionally as a
// progressive JPEG. Returns false and says why in *error on failure.
class JpegWriter
{
public:
    static bool Write(
        const QImage &image, const QString &fileName, int quality, bool progressive, QString *error = nullptr);
};
