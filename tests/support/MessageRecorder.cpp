#include "MessageRecorder.h"

#include "RunLoop.h"

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
        if (!cancelWait)
            return TMsgResult::Ok;   // the seam waits for the end
        RunLoopUntil([&] { return request.Until() || cancelWait(); }, 0, 600000);
        return request.Until() ? TMsgResult::Ok : TMsgResult::Cancel;
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(std::move(m_previous));
}
