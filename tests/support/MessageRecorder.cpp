#include "MessageRecorder.h"

MessageRecorder::MessageRecorder(TMsgResult answer)
    : m_default(answer)
{
    m_previous = SetMessageHandler([this](const TMessageRequest &request) {
        requests.append(request);
        if (whileOpen)
            whileOpen(request);
        return m_answers.isEmpty() ? m_default : m_answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(std::move(m_previous));
}
