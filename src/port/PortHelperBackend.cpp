#include "PortHelperBackend.h"

#include "PortPolicy.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

#ifndef ZX_PORTHELPER_PATH
#define ZX_PORTHELPER_PATH "/usr/libexec/zx-setup/zx-setup-porthelper"
#endif

namespace {

// What the start-up probe reads while the helper can be started but has not
// been: anything but PortDriverMissing.
constexpr std::uint16_t kProbeAnswer = 0x00;
constexpr std::size_t kMaxReply = 512;
constexpr std::size_t kMaxErrors = 2048;

const QString kReinstall = QStringLiteral("Reinstall the program: sudo apt install --reinstall zx-setup");
const QString kSeeLog = QStringLiteral("The system log says why: journalctl -t zx-setup-porthelper");
const QString kRestart = QStringLiteral("Restart the program; if it happens again, the system log says why: "
                                        "journalctl -t zx-setup-porthelper");
// A cancelled wait counts as a dismissed prompt.
const QString kDismissed = QStringLiteral("Authorisation was dismissed. Try again and enter the administrator "
                                          "password when asked, to access the card.");
const char *const kPkexecPath = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";

using Clock = std::chrono::steady_clock;

// Never negative: a deadline that has passed leaves no time.
long long MsLeft(Clock::time_point deadline)
{
    const long long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return std::max(0LL, left);
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool SafeLocaleValue(const std::string &value)
{
    return value.find('/') == std::string::npos && value.find('%') == std::string::npos
        && value.find("..") == std::string::npos;
}

// What pkexec is given. It refuses outright a SHELL that /etc/shells does not
// list, or a locale or terminal value holding "/", "%" or "..", and the
// helper needs nothing of the caller's environment.
std::vector<std::string> PkexecEnvironment(const QStringList &kept)
{
    std::vector<std::string> environment {kPkexecPath};
    for (char **entry = environ; *entry; ++entry) {
        const std::string pair(*entry);
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = pair.substr(0, equals);
        const bool locale = name == "LANG" || name.rfind("LC_", 0) == 0;
        if ((locale && SafeLocaleValue(pair.substr(equals + 1))) || kept.contains(QString::fromStdString(name)))
            environment.push_back(pair);
    }
    return environment;
}

} // namespace

TPortAccessConfig::TPortAccessConfig()
    : DevicePath(QLatin1String(kPortDevicePath))
    , HelperPath(QStringLiteral(ZX_PORTHELPER_PATH))
    , PkexecPath(QStringLiteral("/usr/bin/pkexec"))
    , LockdownPath(QLatin1String(DefaultLockdownPath))
    , StartTimeoutMs(120000)
    , ReplyTimeoutMs(2000)
    , NoAgentAdvice(QStringLiteral("Run the program in a desktop session as a user who may administer this computer."))
    , Report([](const QString &line) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    })
{ }

TPortHelperBackend::TPortHelperBackend(TPortAccessConfig config)
    : m_config(std::move(config))
    , m_device(m_config.DevicePath)
{
    OpenDirect();
}

TPortHelperBackend::~TPortHelperBackend()
{
    StopHelper(false);
}

void TPortHelperBackend::OpenDirect()
{
    if (m_config.DevicePath.isEmpty())
        return;
    if (m_device.Acquire()) {
        m_state = asDirect;
        return;
    }
    const int error = m_device.OpenError();
    if (error == EACCES || error == EPERM) {
        // Refused to an ordinary user is the normal case: the helper asks,
        // unless lockdown would refuse the helper just the same.
        const QString mode = PortLockdownMode(m_config.LockdownPath);
        if (geteuid() != 0 && (mode.isEmpty() || mode == QLatin1String("none")))
            return;
    }
    MakeUnavailable(PortDeviceCause(m_config.DevicePath, error, geteuid() == 0, m_config.LockdownPath));
}

bool TPortHelperBackend::HelperStartable()
{
    const QByteArray pkexec = QFile::encodeName(m_config.PkexecPath);
    if (m_config.PkexecPath.isEmpty() || access(pkexec.constData(), X_OK) != 0) {
        MakeUnavailable(QStringLiteral("pkexec is not installed (%1 not found), so the program cannot ask for "
                                       "permission to access the card. Install it: sudo apt install pkexec")
                            .arg(m_config.PkexecPath));
        return false;
    }
    const QByteArray helper = QFile::encodeName(m_config.HelperPath);
    if (m_config.HelperPath.isEmpty() || access(helper.constData(), X_OK) != 0) {
        MakeUnavailable(QStringLiteral("The port helper %1 is not installed. ").arg(m_config.HelperPath) + kReinstall);
        return false;
    }
    return true;
}

bool TPortHelperBackend::StartHelper()
{
    if (!HelperStartable())
        return false;

    int sockets[2];
    int errors[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        MakeUnavailable(QStringLiteral("The port helper cannot be started (%1).").arg(ErrorText(errno)));
        return false;
    }
    if (pipe2(errors, O_CLOEXEC) != 0) {
        close(sockets[0]);
        close(sockets[1]);
        MakeUnavailable(QStringLiteral("The port helper cannot be started (%1).").arg(ErrorText(errno)));
        return false;
    }
    const QByteArray pkexec = QFile::encodeName(m_config.PkexecPath);
    const QByteArray helper = QFile::encodeName(m_config.HelperPath);
    char *argv[] = {const_cast<char *>(pkexec.constData()), const_cast<char *>(helper.constData()), nullptr};
    std::vector<std::string> environment = PkexecEnvironment(m_config.KeptVariables);
    std::vector<char *> envp;
    for (std::string &pair : environment)
        envp.push_back(pair.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDOUT_FILENO);
    // pkexec says there why it refuses; the exit status alone cannot tell
    // a refused environment from a refused password.
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawnError = posix_spawn(&pid, pkexec.constData(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(sockets[1]);
    close(errors[1]);
    if (spawnError != 0) {
        close(sockets[0]);
        close(errors[0]);
        MakeUnavailable(QStringLiteral("%1 cannot be started (%2).").arg(m_config.PkexecPath, ErrorText(spawnError)));
        return false;
    }
    fcntl(errors[0], F_SETFL, fcntl(errors[0], F_GETFL) | O_NONBLOCK);
    m_helperFd = sockets[0];
    m_errorFd = errors[0];
    m_helperPid = pid;
    m_pending.clear();
    m_errors.clear();

    std::string greeting;
    TLineResult result = lrTimeout;
    if (!AwaitGreeting(greeting, result)) {
        StopHelper(true);
        MakeUnavailable(kDismissed, asAskAgain);
        return false;
    }
    if (result == lrLine && greeting == kReadyLine) {
        m_state = asHelper;
        return true;
    }
    if (result == lrLine && greeting.rfind("ERR open ", 0) == 0) {
        StopHelper(false);
        const int error = std::atoi(greeting.c_str() + 9);
        MakeUnavailable(PortDeviceCause(QLatin1String(kPortDevicePath), error, true, m_config.LockdownPath));
        return false;
    }
    if (result == lrTimeout) {
        StopHelper(true);
        MakeUnavailable(QStringLiteral("Authorisation was not given within %1 s. Try again and answer the password "
                                       "dialog sooner.")
                            .arg(m_config.StartTimeoutMs / 1000.0),
            asAskAgain);
        return false;
    }
    const int status = StopHelper(result != lrEof);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126)
        MakeUnavailable(kDismissed + PkexecLine(), asAskAgain);
    else if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        MakeUnavailable(QStringLiteral("Authorisation was refused, or no authentication agent is running to ask "
                                       "for the password. ")
                + m_config.NoAgentAdvice + PkexecLine(),
            asAskAgain);
    else
        MakeUnavailable(QStringLiteral("The port helper did not start (%1). ").arg(ExitText(status)) + kSeeLog);
    return false;
}

bool TPortHelperBackend::AwaitGreeting(std::string &greeting, TLineResult &result)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_config.StartTimeoutMs);
    bool ended = false;
    const TStartStep step = [&](int waitMs) {
        if (ended)
            return true;
        const long long left = MsLeft(deadline);
        result = ReadLine(greeting, int(waitMs < 0 ? left : std::min<long long>(waitMs, left)));
        ended = result != lrTimeout || Clock::now() >= deadline;
        return ended;
    };
    const bool waited = m_config.StartWait ? m_config.StartWait(step) : true;
    if (!ended && !waited)
        return false; // cancelled
    while (!step(-1)) { }
    return true;
}

QString TPortHelperBackend::StoppedText(int status) const
{
    return QStringLiteral("The port helper stopped unexpectedly (%1). ").arg(ExitText(status)) + kRestart;
}

QString TPortHelperBackend::ExitText(int status) const
{
    if (status == -1)
        return QStringLiteral("no exit status");
    if (WIFSIGNALED(status))
        return QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    return QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
}

TPortHelperBackend::TLineResult TPortHelperBackend::ReadLine(std::string &line, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return lrLine;
        }
        if (m_pending.size() > kMaxReply)
            return lrError;
        // Looks once even when no time is left: a step of the start may ask
        // for no wait at all. Standard error is emptied on the way, so that
        // a helper that logs there never blocks on a full pipe.
        pollfd pfd[2] {{m_helperFd, POLLIN, 0}, {m_errorFd, POLLIN, 0}};
        const int ready = poll(pfd, m_errorFd >= 0 ? 2 : 1, int(MsLeft(deadline)));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return lrError;
        }
        if (ready == 0)
            return lrTimeout;
        if (m_errorFd >= 0 && pfd[1].revents)
            DrainErrors();
        if (!pfd[0].revents)
            continue;
        char buffer[256];
        const ssize_t got = recv(m_helperFd, buffer, sizeof buffer, 0);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return errno == ECONNRESET ? lrEof : lrError;
        }
        if (got == 0)
            return lrEof;
        m_pending.append(buffer, std::size_t(got));
    }
}

bool TPortHelperBackend::Request(const std::string &request, std::string &reply)
{
    const std::string line = request + '\n';
    std::size_t sent = 0;
    while (sent < line.size()) {
        // MSG_NOSIGNAL: a helper that has gone must not take the program with it.
        const ssize_t n = send(m_helperFd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            MakeUnavailable(StoppedText(StopHelper(true)));
            return false;
        }
        sent += std::size_t(n);
    }
    const TLineResult result = ReadLine(reply, m_config.ReplyTimeoutMs);
    if (result == lrLine && (reply == "OK" || reply.rfind("OK ", 0) == 0 || reply.rfind("ERR ", 0) == 0))
        return true;
    const int status = StopHelper(true);
    if (result == lrTimeout)
        MakeUnavailable(
            QStringLiteral("The port helper did not answer within %1 ms. ").arg(m_config.ReplyTimeoutMs) + kRestart);
    else if (result == lrLine)
        MakeUnavailable(
            QStringLiteral("The port helper gave an answer the program does not understand. ") + kReinstall);
    else
        MakeUnavailable(StoppedText(status));
    return false;
}

void TPortHelperBackend::DrainErrors()
{
    char buffer[256];
    for (;;) {
        const ssize_t got = read(m_errorFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got > 0) {
            if (m_state != asHelper && m_errors.size() < kMaxErrors)
                m_errors.append(buffer, std::min(std::size_t(got), kMaxErrors - m_errors.size()));
            continue;
        }
        if (got == 0) {
            close(m_errorFd);
            m_errorFd = -1;
        }
        return;
    }
}

QString TPortHelperBackend::PkexecLine() const
{
    // Its first line says why ("Error executing command as another user:
    // Not authorized", "The value for the SHELL variable was not found the
    // /etc/shells file").
    std::size_t start = 0;
    while (start < m_errors.size()) {
        std::size_t end = m_errors.find('\n', start);
        if (end == std::string::npos)
            end = m_errors.size();
        QString line = QString::fromLocal8Bit(m_errors.data() + start, qsizetype(end - start)).simplified();
        line.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
        if (!line.isEmpty())
            return QStringLiteral(" pkexec said: ") + line.left(200);
        start = end + 1;
    }
    return {};
}

int TPortHelperBackend::StopHelper(bool kill)
{
    if (m_helperFd >= 0) {
        close(m_helperFd);
        m_helperFd = -1;
    }
    m_pending.clear();
    if (m_helperPid <= 0) {
        if (m_errorFd >= 0)
            close(m_errorFd);
        m_errorFd = -1;
        return -1;
    }
    // Closing its input ends a healthy helper; a hung one is killed (which
    // fails for a helper running as root, so the wait stays bounded).
    if (kill)
        ::kill(m_helperPid, SIGKILL);
    int status = -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(1000);
    for (;;) {
        const pid_t done = waitpid(m_helperPid, &status, WNOHANG);
        if (done == m_helperPid || (done < 0 && errno != EINTR)) {
            if (done < 0)
                status = -1;
            break;
        }
        if (Clock::now() >= deadline) {
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_helperPid = -1;
    // What pkexec wrote before it ended is all there by now.
    if (m_errorFd >= 0) {
        DrainErrors();
        if (m_errorFd >= 0)
            close(m_errorFd);
        m_errorFd = -1;
    }
    return status;
}

void TPortHelperBackend::MakeUnavailable(const QString &cause, TAccessState state)
{
    m_state = state;
    m_cause = cause;
    ReportOnce(m_causeReported, QStringLiteral("Settings: port access unavailable: ") + cause);
}

void TPortHelperBackend::ReportOnce(bool &reported, const QString &line)
{
    if (reported)
        return;
    reported = true;
    if (m_config.Report)
        m_config.Report(line);
}

bool TPortHelperBackend::Acquire()
{
    std::string reply;
    switch (m_state) {
    case asDirect:
        return true;
    case asHelper:
        // A helper that has gone since its start is found now, before the
        // card is touched, and not halfway through a sequence.
        return Request("IN " + ProtocolHex(kProbePort, 3), reply);
    case asHelperNotStarted:
        return StartHelper();
    case asAskAgain:
        // The user asks for access again: so does the program.
        m_causeReported = false;
        return StartHelper();
    case asUnavailable:
        break;
    }
    return false;
}

std::uint16_t TPortHelperBackend::In(std::uint16_t port)
{
    if (m_state == asDirect)
        return m_device.In(port);
    if (m_state == asHelperNotStarted && port == kProbePort)
        return HelperStartable() ? kProbeAnswer : PortDriverMissing;
    if (m_state == asUnavailable || m_state == asAskAgain)
        return PortDriverMissing;
    if (!IsReadablePort(port)) {
        ReportOnce(m_refusalReported,
            QStringLiteral("Settings: port 0x%1 is not one of the card's control "
                           "ports and was not read")
                .arg(port, 3, 16, QLatin1Char('0')));
        return PortDriverMissing;
    }
    if (m_state == asHelperNotStarted && !StartHelper())
        return PortDriverMissing;
    std::string reply;
    if (!Request("IN " + ProtocolHex(port, 3), reply))
        return PortDriverMissing;
    unsigned value = 0;
    if (std::sscanf(reply.c_str(), "OK 0x%2x", &value) == 1)
        return std::uint16_t(value);
    ReportOnce(m_errorReported, QStringLiteral("Settings: the port helper answered: ") + QString::fromStdString(reply));
    return PortDriverMissing;
}

void TPortHelperBackend::Out(std::uint16_t port, std::uint8_t value)
{
    m_outReached = false;
    if (m_state == asDirect) {
        m_device.Out(port, value);
        m_outReached = m_device.OutReached();
        return;
    }
    if (m_state == asUnavailable || m_state == asAskAgain)
        return;
    if (!IsWritablePort(port)) {
        ReportOnce(m_refusalReported,
            QStringLiteral("Settings: port 0x%1 is not one of the card's control "
                           "ports and was not written")
                .arg(port, 3, 16, QLatin1Char('0')));
        return;
    }
    if (m_state == asHelperNotStarted && !StartHelper())
        return;
    std::string reply;
    if (!Request("OUT " + ProtocolHex(port, 3) + " " + ProtocolHex(value, 2), reply))
        return;
    m_outReached = reply == "OK";
    if (!m_outReached)
        ReportOnce(
            m_errorReported, QStringLiteral("Settings: the port helper answered: ") + QString::fromStdString(reply));
}
