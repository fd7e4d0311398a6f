#pragma once

#include <QSize>
#include <QString>

#include <memory>

class TDecodeJob;

// Decodes a JPEG file on a thread of Qt's global pool, so that the decoding
// overlaps the program's other start-up work; it may start before the
// application object exists. The first TPicture::LoadFromFile of the same
// name takes the decode over and the pixels when it first draws, waiting
// only if the thread is not done: one decode, the same pixels.
//
// The thread reads the header at once and then waits for the device size the
// picture will be drawn at (DrawnAt, else the picture's first drawing): libjpeg
// decodes at the smallest scale that still covers it (TPicture::ScaleFor), and
// the thread scales the result smoothly to that size, as the board picture
// would at its paint.
class TDecodeAhead
{
public:
    explicit TDecodeAhead(const QString &fileName);
    // Waits for the thread; one still waiting for a size stops at once.
    ~TDecodeAhead();
    TDecodeAhead(const TDecodeAhead &) = delete;
    TDecodeAhead &operator=(const TDecodeAhead &) = delete;

    // The device size the picture of fileName will be drawn at, if its decode
    // is under way; only the first size given counts.
    static void DrawnAt(const QString &fileName, const QSize &device);
    // The decode of fileName under way and not yet taken over, or none.
    static std::shared_ptr<TDecodeJob> TakeOver(const QString &fileName);

private:
    std::shared_ptr<TDecodeJob> m_job;
};
