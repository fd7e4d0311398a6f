#include "TPicture.h"

#include "TDecodeAhead.h"
#include "TDecodeJob.h"

#include <QFile>
#include <QtGlobal>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <jpeglib.h>

namespace {

// Refuse sizes whose RGB32 buffer would not be sensible for a picture; a
// damaged header may claim anything up to 65500 x 65500.
constexpr unsigned MaxDimension = 16384;
constexpr unsigned long long MaxPixels = 64ULL * 1024 * 1024;
// A crafted progressive file can hold endless tiny scans; no real image needs
// more than a few dozen.
constexpr int MaxScans = 1000;

struct DecodeErrorMgr
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct DecodeOutcome
{
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    char message[JMSG_LENGTH_MAX] = {};
};

// Hands out the row memory for the decoded image. It is called outside any
// libjpeg call, so the error manager's longjmp never crosses it.
using AllocateRows = unsigned char *(*)(void *context, int width, int height, std::size_t *stride);

[[noreturn]] void failWith(j_common_ptr cinfo, const char *text)
{
    auto *err = reinterpret_cast<DecodeErrorMgr *>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<DecodeErrorMgr *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// libjpeg only warns about corrupt or missing data and then pads the image
// with grey; a half-grey photograph is worse than none, so a warning fails
// the decode. Trace messages (level >= 0) are ignored.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        errorExit(cinfo);
}

void outputMessage(j_common_ptr) { }

void progressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans)
        failWith(cinfo, "too many progressive scans");
}

inline unsigned char mulDiv255(unsigned a, unsigned b)
{
    return static_cast<unsigned char>((a * b + 127) / 255);
}

// Only plain C data lives in this frame: the error manager leaves it by
// longjmp, which must not skip a destructor.
// With `allocate` null it reads the header only.
bool decodeJpegRaw(
    const unsigned char *data, unsigned long size, AllocateRows allocate, void *context, DecodeOutcome *out)
{
    jpeg_decompress_struct cinfo;
    DecodeErrorMgr err;
    jpeg_progress_mgr progress;

    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::memcpy(out->message, err.message, sizeof out->message);
        out->message[sizeof out->message - 1] = '\0';
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = progressMonitor;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);

    out->width = static_cast<int>(cinfo.image_width);
    out->height = static_cast<int>(cinfo.image_height);
    out->components = cinfo.num_components;
    out->progressive = cinfo.progressive_mode != 0;
    if (cinfo.image_width > MaxDimension || cinfo.image_height > MaxDimension
        || static_cast<unsigned long long>(cinfo.image_width) * cinfo.image_height > MaxPixels)
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), "image too large");

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_RGB:
    case JCS_YCbCr:
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo.out_color_space = JCS_EXT_BGRA;
#else
        cinfo.out_color_space = JCS_EXT_ARGB;
#endif
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), "unsupported colour space");
    }

    if (!allocate) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    jpeg_start_decompress(&cinfo);

    std::size_t stride = 0;
    unsigned char *bits
        = allocate(context, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), &stride);
    if (!bits)
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), "out of memory");

    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*cinfo.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1);
    // Adobe writes CMYK inverted; everyone else does not.
    const bool inverted = cinfo.saw_Adobe_marker != 0;

    while (cinfo.output_scanline < cinfo.output_height) {
        auto *line = reinterpret_cast<quint32 *>(bits + stride * cinfo.output_scanline);
        if (!cmyk) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(line);
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        jpeg_read_scanlines(&cinfo, cmykRow, 1);
        const unsigned char *p = cmykRow[0];
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, p += 4) {
            unsigned c = p[0], m = p[1], y = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            line[x] = qRgb(mulDiv255(c, k), mulDiv255(m, k), mulDiv255(y, k));
        }
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

unsigned char *allocateImage(void *context, int width, int height, std::size_t *stride)
{
    auto *image = static_cast<QImage *>(context);
    *image = QImage(width, height, QImage::Format_RGB32);
    if (image->isNull())
        return nullptr;
    *stride = static_cast<std::size_t>(image->bytesPerLine());
    return image->bits();
}

} // namespace

TPicture::TPicture(QObject *parent)
    : QObject(parent)
{ }

TPicture::~TPicture() = default;

bool TPicture::LooksLikeJpeg(const QByteArray &data)
{
    return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF
        && static_cast<unsigned char>(data[1]) == 0xD8;
}

QImage TPicture::DecodeJpeg(const QByteArray &data, QString *error, bool *progressive, int *components)
{
    QImage image;
    DecodeOutcome outcome;
    const bool ok = decodeJpegRaw(reinterpret_cast<const unsigned char *>(data.constData()),
        static_cast<unsigned long>(data.size()), allocateImage, &image, &outcome);
    if (progressive)
        *progressive = outcome.progressive;
    if (components)
        *components = outcome.components;
    if (error)
        *error = ok ? QString() : QString::fromLocal8Bit(outcome.message);
    return ok ? image : QImage();
}

QSize TPicture::JpegSize(const QByteArray &data)
{
    DecodeOutcome outcome;
    const bool ok = decodeJpegRaw(reinterpret_cast<const unsigned char *>(data.constData()),
        static_cast<unsigned long>(data.size()), nullptr, nullptr, &outcome);
    return ok ? QSize(outcome.width, outcome.height) : QSize();
}

bool TPicture::LoadFromFile(const QString &fileName)
{
    if (const std::shared_ptr<TDecodeJob> job = TDecodeAhead::TakeOver(fileName))
        return takeOver(job, fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(fileName, file.errorString());
        return false;
    }
    return load(file.readAll(), fileName);
}

bool TPicture::LoadFromData(const QByteArray &data)
{
    return load(data, QStringLiteral("the picture"));
}

bool TPicture::load(const QByteArray &data, const QString &source)
{
    QImage image;
    QString error;
    if (LooksLikeJpeg(data)) {
        image = DecodeJpeg(data, &error);
    } else {
        image = QImage::fromData(data);
        if (image.isNull())
            error = QStringLiteral("unknown or damaged image format");
        else
            image = image.convertToFormat(
                image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
    if (image.isNull()) {
        fail(source, error);
        return false;
    }
    m_lastError.clear();
    setImage(image);
    return true;
}

bool TPicture::takeOver(const std::shared_ptr<TDecodeJob> &job, const QString &source)
{
    if (!job->Read()) {
        fail(source, job->ReadError());
        return false;
    }
    // Not a JPEG or a damaged header: as without the decoder.
    if (job->Size().isEmpty())
        return load(job->Data(), source);
    m_pending.reset();
    m_lastError.clear();
    m_size = job->Size();
    m_hasAlpha = false;
    m_image = QImage();
    m_prepared = QImage();
    m_pending = job;
    m_pendingSource = source;
    emit OnChange();
    return true;
}

void TPicture::settle(const QSize &device) const
{
    if (!m_pending)
        return;
    const std::shared_ptr<TDecodeJob> job = std::exchange(m_pending, nullptr);
    QImage full;
    QString error;
    const QImage prepared = job->WaitForImage(device, &full, &error);
    if (full.isNull()) {
        const_cast<TPicture *>(this)->fail(m_pendingSource, error);
        return;
    }
    m_image = full;
    m_prepared = prepared;
}

const QImage &TPicture::Image() const
{
    settle(m_size);
    return m_image;
}

const QImage &TPicture::ImageFor(const QSize &device) const
{
    settle(device);
    if (!m_prepared.isNull() && m_prepared.size() == device)
        return m_prepared;
    return Image();
}

void TPicture::fail(const QString &source, const QString &error)
{
    m_lastError = error;
    qWarning("TPicture: cannot load %s: %s", qPrintable(source), qPrintable(error));
    setImage(QImage());
}

void TPicture::Assign(const TPicture *other)
{
    if (other == this)
        return;
    if (!other) {
        m_transparent = false;
        setImage(QImage());
        return;
    }
    other->settle(other->m_size);
    m_pending.reset();
    m_transparent = other->m_transparent;
    m_size = other->m_size;
    m_hasAlpha = other->m_hasAlpha;
    m_image = other->m_image;
    m_prepared = other->m_prepared;
    emit OnChange();
}

void TPicture::Clear()
{
    setImage(QImage());
}

void TPicture::setTransparent(bool value)
{
    if (m_transparent == value)
        return;
    m_transparent = value;
    emit OnChange();
}

void TPicture::setImage(const QImage &image)
{
    m_pending.reset();
    m_image = image;
    m_size = image.size();
    m_hasAlpha = image.hasAlphaChannel();
    m_prepared = QImage();
    emit OnChange();
}
