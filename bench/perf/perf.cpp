// What the program's drawing costs: decoding the board photograph (in the
// window's thread and ahead, on the pool), building the seven rings' images,
// one full repaint of the main window, and one paint of a ring and of a jumper
// (which should be a single blit of a cached image).
// Rows with a ratio argument run on a screen of that device pixel ratio.
// Headless; build in Release for numbers worth quoting:
//   QT_QPA_PLATFORM=offscreen ./bench_perf
#include "CountingPaintDevice.h"
#include "DensityScreens.h"

#include "MessageSeam.h"
#include "TApplication.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TDecodeAhead.h"
#include "TPicture.h"
#include "TTwoJumper.h"
#include "VORTAN32.h"
#include "template.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace {

// The port driver answers, so the main window starts without a warning box.
class DriverPresent : public TPortBackend
{
public:
    std::uint16_t In(std::uint16_t port) override { return port == 0x61 ? 0x20 : 0xFF; }
    void Out(std::uint16_t, std::uint8_t) override { }
};

QByteArray photograph()
{
    QFile file(QStringLiteral(":/board.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the event loop, idle moments included, until done() or two seconds have passed.
bool settle(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    poll.start(2);
    loop.exec();
    return done();
}

bool exposed(const QWidget *window)
{
    return window->windowHandle() && window->windowHandle()->isExposed();
}

std::unique_ptr<TMainForm> g_form;

// The main window as the user first sees it: maximised, every ring prepared,
// the supporter's title line and help window up.
TMainForm &mainWindow()
{
    if (!g_form) {
        g_form = std::make_unique<TMainForm>();
        g_form->showMaximized();
        settle([] {
            for (TBoardHighlight *ring : g_form->findChildren<TBoardHighlight *>())
                if (!ring->Prepared())
                    return false;
            return g_form->SetSup()->HelpForm() && g_form->SetSup()->HelpForm()->isVisible();
        });
    }
    return *g_form;
}

struct PaintCount
{
    int images;
    int others;
};

// What one paint of the widget draws, through the widget's own paint code only.
PaintCount countPaint(QWidget *widget)
{
    CountingPaintDevice device(widget->size());
    widget->render(&device, QPoint(), QRegion(), QWidget::RenderFlags());
    return {device.engine().images, device.engine().others};
}

void BM_DecodePhotograph(benchmark::State &state)
{
    const QByteArray data = photograph();
    for (auto _ : state) {
        QImage image = TPicture::DecodeJpeg(data);
        benchmark::DoNotOptimize(image);
        if (image.isNull())
            state.SkipWithError("the photograph does not decode");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_DecodePhotograph)->Unit(benchmark::kMillisecond);

// The photograph as the program gets it: decoded on the pool and scaled there
// to the picture's device pixels at the ratio given, from the decoder's start
// until a waiting picture has it.
void BM_DecodeAhead(benchmark::State &state)
{
    const QString file = QStringLiteral(":/board.jpg");
    const QSize device = TMainForm::PhotoShownSize * int(state.range(0));
    for (auto _ : state) {
        const TDecodeAhead ahead(file);
        TDecodeAhead::DrawnAt(file, device);
        TPicture picture;
        picture.LoadFromFile(file);
        if (picture.ImageFor(device).size() != device)
            state.SkipWithError("the photograph does not decode");
    }
}
BENCHMARK(BM_DecodeAhead)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The board picture with the seven rings of the main window on it, hidden,
// in a window on the screen of the given ratio.
struct Board
{
    QWidget window;
    TBoardImage *board = nullptr;
    QList<TBoardHighlight *> rings;
};

std::unique_ptr<Board> makeBoard(qreal ratio)
{
    auto b = std::make_unique<Board>();
    b->window.resize(400, 400);
    PlaceOnDensityScreen(&b->window, ratio);
    b->board = new TBoardImage(&b->window);
    b->board->setAutoSize(false);
    b->board->setStretch(true);
    b->board->setCenterOnForm(false);
    b->board->resize(400, 400);
    for (const TBoardHighlight *model : mainWindow().findChildren<TBoardHighlight *>()) {
        auto *ring = new TBoardHighlight(b->board);
        ring->setGeometry(model->geometry());
        ring->setHighlightType(model->HighlightType());
        ring->setTitle(model->Title());
        ring->hide();
        b->rings << ring;
    }
    b->window.show();
    settle([&] { return exposed(&b->window); });
    return b;
}

// The ratio is the first argument; 1 is always there.
bool ratioAvailable(benchmark::State &state)
{
    if (state.range(0) == 1 || DensityScreen(qreal(state.range(0))))
        return true;
    state.SkipWithError("no screen of that ratio (run with QT_QPA_PLATFORM=offscreen)");
    return false;
}

// The first paint of each of the seven rings over the stretched photograph:
// capturing the pixels beneath, rendering the normal look and one blit; with
// all looks, the lit and bright looks that follow it too. From the bytes on:
// decoding the photograph and scaling it to the picture's device pixels first.
void BM_Rings(benchmark::State &state, bool fromBytes, bool allLooks)
{
    if (!ratioAvailable(state))
        return;
    const QByteArray data = photograph();
    TPicture picture;
    picture.LoadFromData(data);
    int unprepared = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Board> b = makeBoard(qreal(state.range(0)));
        if (!fromBytes) {
            b->board->setPicture(&picture);
            b->board->repaint(); // the scaled photograph exists before the rings look beneath
        }
        state.ResumeTiming();

        if (fromBytes) {
            b->board->Picture()->LoadFromData(data);
            b->board->repaint();
        }
        for (TBoardHighlight *ring : b->rings) {
            ring->show();
            ring->repaint();
            if (allLooks)
                benchmark::DoNotOptimize(ring->LitImage());
        }

        state.PauseTiming();
        for (const TBoardHighlight *ring : b->rings)
            unprepared += ring->Prepared() ? 0 : 1;
        b.reset();
        state.ResumeTiming();
    }
    if (unprepared)
        state.SkipWithError("a ring did not prepare in its first paint");
}
BENCHMARK_CAPTURE(BM_Rings, SevenRingImages, false, false)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rings, SevenRingsAllLooks, false, true)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rings, PhotographAndRings, true, false)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Counts the paint events the widgets of one window receive.
class PaintEvents : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// Every visible widget of the window paints once, as for a fully exposed
// window. (repaint() of the window itself would let Qt skip children whose
// pixels its backing store still holds.)
void BM_MainWindowRepaint(benchmark::State &state)
{
    TMainForm &form = mainWindow();
    QImage target(form.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        form.render(&target);
    PaintEvents paints;
    QCoreApplication::instance()->installEventFilter(&paints);
    form.render(&target);
    QCoreApplication::instance()->removeEventFilter(&paints);
    state.counters["widgets_painted"] = paints.count;
}
BENCHMARK(BM_MainWindowRepaint)->Unit(benchmark::kMillisecond);

// A ring's paint through its own paint code, into an image of its device size.
void BM_HighlightPaint(benchmark::State &state)
{
    if (!ratioAvailable(state))
        return;
    const qreal ratio = qreal(state.range(0));
    std::unique_ptr<Board> b = makeBoard(ratio);
    TPicture picture;
    picture.LoadFromData(photograph());
    b->board->setPicture(&picture);
    TBoardHighlight *ring = *std::find_if(
        b->rings.begin(), b->rings.end(), [](const TBoardHighlight *r) { return r->Title() == "Load"; }); // 273 x 33
    ring->show();
    settle([&] { return ring->Prepared(); });
    QImage target(ring->size() * ratio, QImage::Format_RGB32);
    target.setDevicePixelRatio(ratio);
    for (auto _ : state)
        ring->render(&target, QPoint(), QRegion(), QWidget::RenderFlags());
    const PaintCount count = countPaint(ring);
    state.counters["images"] = count.images;
    state.counters["other_calls"] = count.others;
}
BENCHMARK(BM_HighlightPaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A jumper's paint, as a base-address jumper is drawn (34 x 18), open or
// closed, at a device pixel ratio.
void BM_JumperPaint(benchmark::State &state)
{
    const qreal ratio = qreal(state.range(1));
    QWidget host;
    if (ratio != 1 && !PlaceOnDensityScreen(&host, ratio)) {
        state.SkipWithError("no screen of that ratio (run with QT_QPA_PLATFORM=offscreen)");
        return;
    }
    auto *jumper = new TTwoJumper(&host);
    jumper->setClosed(state.range(0) != 0);
    host.resize(jumper->size());
    host.show();
    settle([&] { return exposed(&host); });
    QImage target(jumper->size() * ratio, QImage::Format_RGB32);
    target.setDevicePixelRatio(ratio);
    for (auto _ : state)
        jumper->render(&target, QPoint(), QRegion(), QWidget::RenderFlags());
    const PaintCount count = countPaint(jumper);
    state.counters["images"] = count.images;
    state.counters["other_calls"] = count.others;
}
BENCHMARK(BM_JumperPaint)->Args({0, 1})->Args({1, 1})->Args({0, 2})->Args({1, 2})->Unit(benchmark::kMicrosecond);

// For comparison: a widget whose paint is one blit of a kept image, drawn the
// same way as the ring and the jumper above, at their sizes.
class BlitWidget : public QWidget
{
public:
    explicit BlitWidget(const QSize &size)
        : m_image(size, QImage::Format_RGB32)
    {
        m_image.fill(Qt::darkGreen);
        resize(size);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
};

void BM_BlitWidgetPaint(benchmark::State &state)
{
    BlitWidget widget(QSize(int(state.range(0)), int(state.range(1))));
    QImage target(widget.size(), QImage::Format_RGB32);
    for (auto _ : state)
        widget.render(&target, QPoint(), QRegion(), QWidget::RenderFlags());
}
BENCHMARK(BM_BlitWidgetPaint)->Args({273, 33})->Args({34, 18})->Unit(benchmark::kMicrosecond);

// And the blit alone, without a widget around it.
void BM_BareBlit(benchmark::State &state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    QImage source(size, QImage::Format_RGB32);
    source.fill(Qt::darkGreen);
    QImage target(size, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.drawImage(0, 0, source);
    }
}
BENCHMARK(BM_BareBlit)->Args({273, 33})->Args({34, 18})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        AddDensityScreens();
    }
    TApplication app(argc, argv);
    DriverPresent ports;
    SetPortBackend(&ports);
    SetMessageHandler([](const TMessageRequest &) { return TMsgResult::Ok; });

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_form.reset(); // before the application object goes
    return 0;
}
