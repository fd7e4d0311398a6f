#include "MessageRecorder.h"

MessageRecorder::MessageRecorder(TMsgResult answer)
    : m_default(answer)
{
    m_previous = SetMessageHandler([this](const TMessageRequest &request) {
        requests.append(request);
        if (whileOpen)
            whileOpen(request);
        if (!request.Until)
            return m_answers.isEmpty() ? m_default : m_answers.takeFirst();
        if (realWaitBoxes) {
            TMessageHandler self = SetMessageHandler(m_previous);
            const TMsgResult result = ShowMessageBox(request);
            SetMessageHandler(std::move(self));
            return result;
        }
        return TMsgResult::Ok; // the seam waits for the end
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(std::move(m_previous));
}
