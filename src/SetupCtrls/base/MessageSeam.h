#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class TMsgButtons { Ok, OkCancel, RetryCancel, YesNo, Cancel }; // RetryCancel: Cancel is the default
enum class TMsgIcon { None, Question, Warning, Information, Error };
enum class TMsgResult { Ok, Cancel, Retry, Yes, No };

struct TMessageRequest
{
    QWidget *Owner = nullptr; // the box is modal to this window
    QString Caption;
    QString Text;
    QString InformativeText; // a second paragraph under the text (the cause of a failure)
    QString DetailedText; // behind the box's "Show Details..." button
    TMsgButtons Buttons = TMsgButtons::Ok;
    TMsgIcon Icon = TMsgIcon::None;
    bool OnTop = false; // stay on top of all windows and come to the foreground
    // Makes it a wait box: it closes by itself, answering Ok, as soon as this
    // holds (asked every 10 ms while the program handles its messages), or
    // answers Cancel when the user cancels first. A handler that answers
    // anything but Cancel lets the wait run to its end.
    std::function<bool()> Until;
};

using TMessageHandler = std::function<TMsgResult(const TMessageRequest &)>;

// Every modal message box of the program goes through here.
TMsgResult ShowMessageBox(const TMessageRequest &request);
TMsgResult ShowMessageBox(QWidget *owner, const QString &caption, const QString &text, TMsgButtons buttons,
    TMsgIcon icon, bool onTop = false);

// Replaces the box (tests answer it themselves); an empty handler restores
// the real QMessageBox. Returns the handler that was installed before.
TMessageHandler SetMessageHandler(TMessageHandler handler);
