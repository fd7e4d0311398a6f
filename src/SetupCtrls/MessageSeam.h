#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class TMsgButtons { Ok, OkCancel, RetryCancel, YesNo };   // RetryCancel: Cancel is the default
enum class TMsgIcon { None, Question, Warning, Information, Error };
enum class TMsgResult { Ok, Cancel, Retry, Yes, No };

struct TMessageRequest
{
    QWidget *Owner = nullptr;     // the box is modal to this window
    QString Caption;
    QString Text;
    QString InformativeText;      // a second paragraph under the text (the cause of a failure)
    TMsgButtons Buttons = TMsgButtons::Ok;
    TMsgIcon Icon = TMsgIcon::None;
    bool OnTop = false;           // stay on top of all windows and come to the foreground
};

using TMessageHandler = std::function<TMsgResult(const TMessageRequest &)>;

// Every modal message box of the program goes through here.
TMsgResult ShowMessageBox(const TMessageRequest &request);
TMsgResult ShowMessageBox(QWidget *owner, const QString &caption, const QString &text, TMsgButtons buttons,
                          TMsgIcon icon, bool onTop = false);

// Replaces the box (tests answer it themselves); an empty handler restores
// the real QMessageBox. Returns the handler that was installed before.
TMessageHandler SetMessageHandler(TMessageHandler handler);
