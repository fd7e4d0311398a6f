#pragma once

#include <QSize>
#include <QString>

#include <memory>

class TDecodeJob;

// Reads a JPEG file and its header at once, which may be before the
// application object exists, and decodes it on Qt's thread pool as soon as it
// is told the device size the picture will be drawn at (DrawnAt, else the
// picture's first drawing); the pool thread then scales it smoothly to that
// size, as the board picture would at its paint. The decoding thus overlaps
// the program's other start-up work. The first TPicture::LoadFromFile of the
// same name takes the decode over, knowing the picture's size from the
// header, and takes the pixels when it first draws, waiting only if the pool
// is not done: one decode, the same pixels.
class TDecodeAhead
{
public:
    explicit TDecodeAhead(const QString &fileName);
    // Waits for the work under way.
    ~TDecodeAhead();
    TDecodeAhead(const TDecodeAhead &) = delete;
    TDecodeAhead &operator=(const TDecodeAhead &) = delete;

    // The device size the picture of fileName will be drawn at, if its
    // decode has not been taken over yet: lets the decode start. Only the
    // first size given counts.
    static void DrawnAt(const QString &fileName, const QSize &device);
    // The decode of fileName not yet taken over, or none.
    static std::shared_ptr<TDecodeJob> TakeOver(const QString &fileName);

private:
    std::shared_ptr<TDecodeJob> m_job;
};
