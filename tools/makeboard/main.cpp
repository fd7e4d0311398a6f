// Draws the board photograph and writes it as a progressive JPEG.
//
//   makeboard <out.jpg> [--quality N] [--overlay <rings.png>]
//
// --overlay also saves the photo stretched to 400 x 400 with the main
// window's highlight rectangles drawn on it as ellipses, to check the fit.

#include "BoardPainter.h"
#include "JpegWriter.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>

#include <cstdio>

namespace {

struct Ring
{
    const char *name;
    QRect rect;
};

// The rings of the main window, in the picture's 400 x 400 client frame.
const Ring Rings[] = {
    {"Base", {309, 271, 33, 54}},
    {"Mode", {21, 64, 89, 33}},
    {"Load", {14, 208, 273, 33}},
    {"Clock", {109, 64, 17, 33}},
    {"COM", {53, 344, 268, 55}},
    {"COMBase", {150, 112, 96, 94}},
    {"DF", {309, 255, 33, 17}},
};

QImage overlay(const QImage &photo)
{
    QImage frame = photo.scaled(400, 400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Ring &ring : Rings) {
        p.setPen(QPen(ring.rect == QRect(53, 344, 268, 55) ? QColor(60, 120, 255) : QColor(255, 240, 0), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(ring.rect).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return frame;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application, never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString out;
    QString overlayFile;
    int quality = 88;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--overlay") && i + 1 < args.size())
            overlayFile = args[++i];
        else if (args[i] == QLatin1String("--quality") && i + 1 < args.size())
            quality = args[++i].toInt();
        else if (out.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            out = args[i];
        else {
            std::fprintf(stderr, "usage: makeboard <out.jpg> [--quality N] [--overlay <rings.png>]\n");
            return 2;
        }
    }
    if (out.isEmpty() || quality < 1 || quality > 100) {
        std::fprintf(stderr, "usage: makeboard <out.jpg> [--quality N] [--overlay <rings.png>]\n");
        return 2;
    }

    BoardPainter painter;
    const QImage photo = painter.Render();
    QString error;
    if (!JpegWriter::Write(photo, out, quality, true, &error)) {
        std::fprintf(stderr, "makeboard: cannot write %s: %s\n", qPrintable(out), qPrintable(error));
        return 1;
    }
    std::printf("%s: %d x %d, %lld bytes\n", qPrintable(out), photo.width(), photo.height(),
        static_cast<long long>(QFileInfo(out).size()));

    if (!overlayFile.isEmpty() && !overlay(photo).save(overlayFile)) {
        std::fprintf(stderr, "makeboard: cannot write %s\n", qPrintable(overlayFile));
        return 1;
    }
    return 0;
}
