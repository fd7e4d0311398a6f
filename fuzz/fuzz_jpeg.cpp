// The picture loader: any bytes either give a whole, drawable image or an
// empty picture with a reason, and the holder reports exactly one change.
#include "FuzzSupport.h"

#include "TPicture.h"

namespace {

// Kept in step with the decoder's refusal limits.
constexpr int MaxDimension = 16384;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);

    QString error;
    bool progressive = false;
    int components = -1;
    const QImage decoded = TPicture::DecodeJpeg(input, &error, &progressive, &components);
    if (decoded.isNull()) {
        FUZZ_CHECK(!error.isEmpty(), "a failed decode says why");
    } else {
        FUZZ_CHECK(error.isEmpty(), "a good decode reports no error");
        FUZZ_CHECK(decoded.format() == QImage::Format_RGB32, "decoded JPEG is ready to blit");
        FUZZ_CHECK(decoded.width() > 0 && decoded.height() > 0, "decoded JPEG has pixels");
        FUZZ_CHECK(decoded.width() <= MaxDimension && decoded.height() <= MaxDimension, "size limit holds");
        FUZZ_CHECK(components >= 1 && components <= 4, "component count is sane");
        // Every row must be readable: a short buffer shows up here under ASan.
        quint32 sum = 0;
        for (int y = 0; y < decoded.height(); ++y)
            sum += reinterpret_cast<const quint32 *>(decoded.constScanLine(y))[decoded.width() - 1];
        (void)sum;
    }

    TPicture picture;
    int changes = 0;
    QObject::connect(&picture, &TPicture::OnChange, [&changes] { ++changes; });
    const bool loaded = picture.LoadFromData(input);
    FUZZ_CHECK(changes == 1, "one load, one change report");
    FUZZ_CHECK(loaded == !picture.Empty(), "the result matches the holder");
    FUZZ_CHECK(loaded == picture.LastError().isEmpty(), "a failed load keeps its reason, a good one none");
    if (TPicture::LooksLikeJpeg(input)) {
        FUZZ_CHECK(loaded == !decoded.isNull(), "JPEG data goes through the decoder");
        if (loaded)
            FUZZ_CHECK(picture.Image() == decoded, "the holder keeps the decoded image");
    }
    if (loaded) {
        const QImage::Format format = picture.Image().format();
        FUZZ_CHECK(format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied,
            "held image is ready to blit");
    }
    return 0;
}
