// Writes the fuzzers' seed corpora under the given directory:
//   hex/   typed addresses and jumper clicks (fuzz_hexaddress)
//   jpeg/  the board photograph, truncations of it, small pictures (fuzz_jpeg)
//   rtf/   the help text for every combination of the supporter's switches (fuzz_rtf)
#include "JpegWriter.h"
#include "TApplication.h"
#include "TSetupSupporter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdio>

namespace {

bool writeSeed(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

QDir subdirectory(const QString &root, const QString &name)
{
    QDir dir(root);
    dir.mkpath(name);
    return QDir(dir.filePath(name));
}

bool hexSeeds(const QString &root)
{
    const QDir dir = subdirectory(root, QStringLiteral("hex"));
    const QList<QByteArray> seeds = {
        "300", "0300", "2a0", "301", "3FF", "1300", "0", "1F", "", " 300", "300 ", "$300", "-20", "30G", "000000300",
        "123456789", "FFFFFFFF", "0x300", "3e0",
        // an invalid text between valid ones, then jumper clicks
        "2a0\n30G\n3FF", "\x01\x00\n\x01\x04\n1F", "30G\n\x01\x02", "\x03\x33\x00\x30\x00\x30\x00",
        "\x03\x10\xFF\x30\x00", // a full-width digit
    };
    bool ok = true;
    for (int i = 0; i < seeds.size(); ++i)
        ok &= writeSeed(dir, QStringLiteral("seed%1").arg(i, 2, 10, QLatin1Char('0')), seeds.at(i));
    return ok;
}

QByteArray encodeJpeg(const QImage &image, const QDir &scratch, bool progressive)
{
    const QString path = scratch.filePath(QStringLiteral("scratch.jpg"));
    QString error;
    if (!JpegWriter::Write(image, path, 75, progressive, &error)) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", qPrintable(error));
        return {};
    }
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.remove();
    return bytes;
}

bool jpegSeeds(const QString &root)
{
    const QDir dir = subdirectory(root, QStringLiteral("jpeg"));
    QFile photoFile(QStringLiteral(ZX_BOARD_PHOTO));
    if (!photoFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fuzz_seeds: cannot read %s\n", ZX_BOARD_PHOTO);
        return false;
    }
    const QByteArray photo = photoFile.readAll();
    bool ok = writeSeed(dir, QStringLiteral("board.jpg"), photo);
    const qsizetype cuts[] = {
        2, 64, 300, 1024, photo.size() / 8, photo.size() / 4, photo.size() / 2, photo.size() * 3 / 4, photo.size() - 2};
    for (const qsizetype cut : cuts)
        ok &= writeSeed(dir, QStringLiteral("board-cut-%1.jpg").arg(cut), photo.left(cut));

    // Small pictures decode in microseconds, so the fuzzer explores headers
    // and scans far faster than through the 600 x 605 photograph.
    QImage board;
    board.loadFromData(photo, "JPG");
    if (board.isNull())
        board = QImage(600, 605, QImage::Format_RGB32), board.fill(Qt::darkGreen);
    const QImage small = board.scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ok &= writeSeed(dir, QStringLiteral("small-progressive.jpg"), encodeJpeg(small, dir, true));
    ok &= writeSeed(dir, QStringLiteral("small-baseline.jpg"), encodeJpeg(small, dir, false));
    QBuffer grey;
    grey.open(QIODevice::WriteOnly);
    if (small.convertToFormat(QImage::Format_Grayscale8).save(&grey, "JPG"))
        ok &= writeSeed(dir, QStringLiteral("small-grey.jpg"), grey.data());
    return ok;
}

bool rtfSeeds(const QString &root)
{
    const QDir dir = subdirectory(root, QStringLiteral("rtf"));
    QWidget owner;
    TSetupSupporter supporter(&owner);
    supporter.setCompanyName(QStringLiteral("VORTAN"));
    supporter.setCardNameA(QStringLiteral("ZX-SER8"));
    supporter.setCardNameB(QStringLiteral("ZX-BAL8"));
    bool ok = true;
    for (int switches = 0; switches < 16; ++switches) {
        supporter.setbSeries(switches & 1);
        supporter.setMultiPort(switches & 2);
        supporter.setUseCardNameB(switches & 4);
        supporter.OnGetCardString
            = (switches & 8) ? TPCIEvent([](QObject *, qint32) { return QString(); }) : TPCIEvent();
        // Stored as the help window's bytes: code page 1252, here plain ASCII.
        ok &= writeSeed(
            dir, QStringLiteral("help-%1.rtf").arg(switches, 2, 10, QLatin1Char('0')), supporter.HelpText().toLatin1());
    }
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <directory>\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    const bool hex = hexSeeds(root);
    const bool jpeg = jpegSeeds(root);
    const bool rtf = rtfSeeds(root);
    return hex && jpeg && rtf ? 0 : 1;
}
