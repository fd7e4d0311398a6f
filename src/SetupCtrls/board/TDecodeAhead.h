#pragma once

#include <QSize>
#include <QString>

#include <memory>

class TDecodeJob;

// Decodes a JPEG file on Qt's thread pool from the moment it is created,
// which may be before the application object exists, so that the decoding
// overlaps the program's other start-up work. The first
// TPicture::LoadFromFile of the same name takes the decode over, knowing the
// picture's size from the header read here, and takes the pixels when it
// first draws, waiting only if the pool is not done: one decode, the same
// pixels. Once told the device size the picture is drawn at (DrawnAt, else
// its first drawing), the pool also scales it smoothly to that size, as the
// board picture would at its paint.
class TDecodeAhead
{
public:
    explicit TDecodeAhead(const QString &fileName);
    // Waits for the work under way.
    ~TDecodeAhead();
    TDecodeAhead(const TDecodeAhead &) = delete;
    TDecodeAhead &operator=(const TDecodeAhead &) = delete;

    // The device size the picture of fileName will be drawn at, if its decode
    // has not been taken over yet; only the first size given counts.
    static void DrawnAt(const QString &fileName, const QSize &device);
    // The decode of fileName under way and not yet taken over, or none.
    static std::shared_ptr<TDecodeJob> TakeOver(const QString &fileName);

private:
    std::shared_ptr<TDecodeJob> m_job;
};
