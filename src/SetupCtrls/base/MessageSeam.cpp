#include "MessageSeam.h"

#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

TMessageHandler &installedHandler()
{
    static TMessageHandler handler;
    return handler;
}

// Caption, texts, icon, buttons and modality of a request, on a real box.
void configureBox(QMessageBox &box, const TMessageRequest &request)
{
    box.setWindowTitle(request.Caption);
    // Texts carry what the user typed: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.Text);
    if (!request.InformativeText.isEmpty()) {
        box.setInformativeText(request.InformativeText);
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    // Plain text by nature: QMessageBox shows it in a read-only text edit.
    if (!request.DetailedText.isEmpty())
        box.setDetailedText(request.DetailedText);
    switch (request.Icon) {
    case TMsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case TMsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (request.Buttons) {
    case TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case TMsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case TMsgButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case TMsgButtons::Cancel:
        box.setStandardButtons(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    if (request.OnTop)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowModality(Qt::ApplicationModal);
}

TMsgResult showQMessageBox(const TMessageRequest &request)
{
    QMessageBox box(request.Owner);
    configureBox(box, request);
    if (request.OnTop) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return TMsgResult::Ok;
    case QMessageBox::Retry:
        return TMsgResult::Retry;
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    default:
        return TMsgResult::Cancel; // Cancel, or the box closed
    }
}

constexpr int WaitPollMs = 10;

// The real wait box: the start or whatever it waits for is polled from the
// box's own loop, so repaint, timers and other programs' windows go on.
TMsgResult showWaitBox(const TMessageRequest &request)
{
    if (request.Until())
        return TMsgResult::Ok;
    QMessageBox box(request.Owner);
    configureBox(box, request);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        if (request.Until())
            box.done(QMessageBox::Ok);
    });
    poll.start(WaitPollMs);
    box.exec();
    return request.Until() ? TMsgResult::Ok : TMsgResult::Cancel;
}

// A handler that did not cancel a wait box: the wait goes on to its end.
TMsgResult waitToEnd(const TMessageRequest &request)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (request.Until())
            loop.quit();
    });
    poll.start(WaitPollMs);
    if (!request.Until())
        loop.exec();
    return TMsgResult::Ok;
}

} // namespace

TMsgResult ShowMessageBox(const TMessageRequest &request)
{
    // Copy: a handler may replace itself while it runs.
    const TMessageHandler handler = installedHandler();
    if (handler) {
        const TMsgResult result = handler(request);
        return request.Until && result != TMsgResult::Cancel ? waitToEnd(request) : result;
    }
    return request.Until ? showWaitBox(request) : showQMessageBox(request);
}

TMsgResult ShowMessageBox(
    QWidget *owner, const QString &caption, const QString &text, TMsgButtons buttons, TMsgIcon icon, bool onTop)
{
    TMessageRequest request;
    request.Owner = owner;
    request.Caption = caption;
    request.Text = text;
    request.Buttons = buttons;
    request.Icon = icon;
    request.OnTop = onTop;
    return ShowMessageBox(request);
}

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    TMessageHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
