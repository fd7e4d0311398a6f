#include "TDecodeAhead.h"

#include "TDecodeJob.h"

#include <QFile>
#include <QList>
#include <QThreadPool>

#include <mutex>

namespace {

// The decodes that no picture has taken over yet.
std::mutex registryMutex;

QList<std::shared_ptr<TDecodeJob>> &registry()
{
    static QList<std::shared_ptr<TDecodeJob>> jobs;
    return jobs;
}

std::shared_ptr<TDecodeJob> find(const QString &fileName)
{
    for (const std::shared_ptr<TDecodeJob> &job : registry())
        if (job->FileName() == fileName)
            return job;
    return nullptr;
}

std::shared_ptr<TDecodeJob> readFile(const QString &fileName)
{
    QFile file(fileName);
    const bool read = file.open(QIODevice::ReadOnly);
    return std::make_shared<TDecodeJob>(
        fileName, read, read ? file.readAll() : QByteArray(), read ? QString() : file.errorString());
}

} // namespace

TDecodeAhead::TDecodeAhead(const QString &fileName)
    : m_job(readFile(fileName))
{
    {
        const std::lock_guard<std::mutex> lock(registryMutex);
        registry().append(m_job);
    }
    // The pool's thread starts now, before the application object: a Qt
    // thread sets up an event dispatcher of its own as it starts, and one
    // started while the window is being built slows the building down (by
    // 1.5 to 3 ms here). It idles until the decode comes.
    QThreadPool::globalInstance()->start([] {});
}

TDecodeAhead::~TDecodeAhead()
{
    {
        const std::lock_guard<std::mutex> lock(registryMutex);
        registry().removeOne(m_job);
    }
    m_job->WaitUntilIdle();
}

void TDecodeAhead::DrawnAt(const QString &fileName, const QSize &device)
{
    const std::lock_guard<std::mutex> lock(registryMutex);
    if (const std::shared_ptr<TDecodeJob> job = find(fileName))
        job->DrawnAt(device);
}

std::shared_ptr<TDecodeJob> TDecodeAhead::TakeOver(const QString &fileName)
{
    const std::lock_guard<std::mutex> lock(registryMutex);
    const std::shared_ptr<TDecodeJob> job = find(fileName);
    if (job)
        registry().removeOne(job);
    return job;
}
