#include "TPicture.h"

#include <QFile>

TPicture::TPicture(QObject *parent) : QObject(parent) {}
bool TPicture::LoadFromFile(const QString &fileName) { QFile f(fileName); if (!f.open(QIODevice::ReadOnly)) return false; return LoadFromData(f.readAll()); }
bool TPicture::LoadFromData(const QByteArray &data) { setImage(QImage::fromData(data)); return !m_image.isNull(); }
void TPicture::Assign(const TPicture *other) { setImage(other ? other->m_image : QImage()); }
void TPicture::Clear() { setImage(QImage()); }
QImage TPicture::DecodeJpeg(const QByteArray &data, QString *, bool *, int *) { return QImage::fromData(data); }
void TPicture::setImage(const QImage &image) { m_image = image; emit OnChange(); }
