#include "MessageSeam.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace {

TMessageHandler &installedHandler()
{
    static TMessageHandler handler;
    return handler;
}

TMsgResult showQMessageBox(const TMessageRequest &request)
{
    QMessageBox box(request.Owner);
    box.setWindowTitle(request.Caption);
    // Texts carry what the user typed: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.Text);
    if (!request.InformativeText.isEmpty()) {
        box.setInformativeText(request.InformativeText);
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    switch (request.Icon) {
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
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
    }
    if (request.OnTop)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowModality(Qt::ApplicationModal);
    if (request.OnTop) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return TMsgResult::Ok;
    case QMessageBox::Retry: return TMsgResult::Retry;
    case QMessageBox::Yes: return TMsgResult::Yes;
    case QMessageBox::No: return TMsgResult::No;
    default: return TMsgResult::Cancel;   // Cancel, or the box closed
    }
}

} // namespace

TMsgResult ShowMessageBox(const TMessageRequest &request)
{
    // Copy: a handler may replace itself while it runs.
    const TMessageHandler handler = installedHandler();
    if (handler)
        return handler(request);
    return showQMessageBox(request);
}

TMsgResult ShowMessageBox(QWidget *owner, const QString &caption, const QString &text, TMsgButtons buttons,
                          TMsgIcon icon, bool onTop)
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
