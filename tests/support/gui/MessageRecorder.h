#pragma once

#include "MessageSeam.h"

#include <QList>
#include <functional>

// Answers every message box of the program while it lives, records what was
// asked, and restores the real boxes afterwards.
class MessageRecorder
{
public:
    explicit MessageRecorder(TMsgResult answer = TMsgResult::Ok);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    // Answers in order; when they run out, the default answer.
    void queueAnswers(const QList<TMsgResult> &answers) { m_answers = answers; }
    void setDefaultAnswer(TMsgResult answer) { m_default = answer; }
    // Runs while the box is "open", before it is answered.
    std::function<void(const TMessageRequest &)> whileOpen;
    // Wait boxes (those with Until) take no queued answer: they run to their
    // end while events are processed, or with realWaitBoxes are shown for real
    // (and a test may press their Cancel).
    bool realWaitBoxes = false;

    QList<TMessageRequest> requests;
    int count() const { return requests.size(); }
    const TMessageRequest &last() const { return requests.last(); }

private:
    TMsgResult m_default;
    QList<TMsgResult> m_answers;
    TMessageHandler m_previous;
};
