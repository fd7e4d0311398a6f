#pragma once

#include "VORTAN32.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

// One step of the helper's start (pkexec, the authorisation prompt, the
// helper's first line): waits at most waitMs (-1: up to the start's limit)
// for it to move on, and answers true once it has ended, the limit included.
using TStartStep = std::function<bool(int waitMs)>;
// Waits for the start by calling step until it answers true; returns false
// when the user cancelled the start instead.
using TStartWait = std::function<bool(const TStartStep &step)>;

// Where the port backend looks for things; tests point every path at
// stand-ins so that no test reaches real I/O ports or prompts anybody.
struct TPortAccessConfig
{
    TPortAccessConfig();

    QString DevicePath; // opened directly when it can be (root); empty: never tried
    QString HelperPath; // the installed helper, run as pkexec's argument
    QString PkexecPath;
    QString LockdownPath; // the kernel's lockdown selection, read when an open is refused
    // Passed to pkexec as they are, besides its clean environment: the
    // settings of the stand-ins tests put in pkexec's place.
    QStringList KeptVariables;
    int StartTimeoutMs; // covers the authorisation prompt
    int ReplyTimeoutMs; // a helper slower than this counts as dead
    // What the user can do when no authentication agent can ask for the
    // password: for the window, a desktop session.
    QString NoAgentAdvice;
    // Receives the one line that says why port access is unavailable;
    // by default it goes to standard error.
    std::function<void(const QString &line)> Report;
    // Empty: a plain blocking wait, which suits a terminal, where pkexec
    // asks; a window waits with its message loop running.
    TStartWait StartWait;
};

// Port access for a program that runs as its user: the device directly when
// it opens, otherwise a privileged helper started through pkexec at the
// first access to the card's ports and kept for the life of the program.
// When neither works it behaves as a missing driver: In answers 0xAA55 and
// Out writes nothing, Cause says why, and the reason is reported once. After
// a dismissed or refused prompt the next Acquire asks again; nothing else does.
class TPortHelperBackend : public TPortBackend
{
public:
    enum TAccessState { asDirect, asHelperNotStarted, asHelper, asAskAgain, asUnavailable };

    explicit TPortHelperBackend(TPortAccessConfig config = TPortAccessConfig());
    ~TPortHelperBackend() override;
    TPortHelperBackend(const TPortHelperBackend &) = delete;
    TPortHelperBackend &operator=(const TPortHelperBackend &) = delete;

    std::uint16_t In(std::uint16_t port) override;
    void Out(std::uint16_t port, std::uint8_t value) override;
    bool OutReached() const override { return m_outReached; }
    // Starts the helper now when it is needed: the moment of the prompt.
    bool Acquire() override;
    // Why access is unavailable; empty while it is available.
    QString Cause() const override { return m_cause; }

    TAccessState AccessState() const { return m_state; }

private:
    enum TLineResult { lrLine, lrEof, lrTimeout, lrError };

    void OpenDirect();
    bool HelperStartable();
    bool StartHelper();
    bool Request(const std::string &request, std::string &reply);
    TLineResult ReadLine(std::string &line, int timeoutMs);
    bool AwaitGreeting(std::string &greeting, TLineResult &result);
    QString ExitText(int status) const;
    QString StoppedText(int status) const;
    int StopHelper(bool kill);
    void DrainErrors();
    QString PkexecLine() const;
    void MakeUnavailable(const QString &cause, TAccessState state = asUnavailable);
    void ReportOnce(bool &reported, const QString &line);

    TPortAccessConfig m_config;
    TDevicePortBackend m_device; // used only once it has opened
    TAccessState m_state = asHelperNotStarted;
    QString m_cause;
    int m_helperFd = -1;
    int m_errorFd = -1; // pkexec's standard error, and the helper's
    pid_t m_helperPid = -1;
    std::string m_pending;
    std::string m_errors; // what arrived there during the start
    bool m_outReached = true;
    bool m_causeReported = false;
    bool m_refusalReported = false;
    bool m_errorReported = false;
};
