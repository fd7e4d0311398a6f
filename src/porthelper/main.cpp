// Privileged helper of the card setup program: serves byte reads and writes
// of the card's control ports over standard input and output, so that the
// window itself never runs as root. Started through pkexec.

#include "PortPolicy.h"
#include "StandardDescriptors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/prctl.h>
#include <syslog.h>
#include <unistd.h>
#include <vector>

namespace {

#if defined(ZX_TEST_HOOKS)
// Only in builds for tests, which stand a plain file in for the device; an
// installed helper never takes a path from its environment.
constexpr const char *kDeviceOverride = "ZX_PORTHELPER_DEVICE";
#endif

constexpr int kExitUsage = 64;
constexpr int kExitNoDevice = 69;
constexpr int kExitNoDrop = 71;
constexpr int kExitNoNull = 72;

// The account the helper serves as: its own, so that no other program's
// processes may signal it halfway through a write.
constexpr const char *kServiceUser = "_zxsetup";
constexpr const char *kFallbackUser = "nobody";

unsigned CallerUid()
{
    const char *text = std::getenv("PKEXEC_UID");
    if (text && *text) {
        char *end = nullptr;
        errno = 0;
        const unsigned long uid = std::strtoul(text, &end, 10);
        if (errno == 0 && *end == '\0' && text[0] >= '0' && text[0] <= '9' && uid <= 0xFFFFFFFFul)
            return unsigned(uid);
    }
    return unsigned(getuid());
}

void Reply(const std::string &line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// "0x" followed by one to four hexadecimal digits, at most max.
bool ParseHex(const std::string &token, unsigned max, unsigned &value)
{
    if (token.size() < 3 || token.size() > 6 || token[0] != '0' || (token[1] != 'x' && token[1] != 'X'))
        return false;
    unsigned result = 0;
    for (std::size_t i = 2; i < token.size(); ++i) {
        const char c = token[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        result = result * 16 + digit;
    }
    if (result > max)
        return false;
    value = result;
    return true;
}

std::vector<std::string> Split(const std::string &line)
{
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

// Reads one line without its end. Over-long lines are consumed whole and
// reported as such, so a flood of bytes cannot grow memory or split into
// several requests. Returns false at end of input.
bool ReadLine(std::string &line, bool &tooLong)
{
    line.clear();
    tooLong = false;
    int c;
    bool any = false;
    while ((c = std::fgetc(stdin)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < kMaxLineLength)
            line.push_back(char(c));
        else
            tooLong = true;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

// Whatever the caller left open (pkexec's caller chooses) is not the
// helper's to use.
void CloseInheritedDescriptors()
{
    if (close_range(3, ~0u, 0) == 0)
        return;
    for (long fd = 3, end = sysconf(_SC_OPEN_MAX); fd < end; ++fd)
        close(int(fd));
}

// Once the device is open its descriptor is all the helper needs. False
// when root could not be left: such a helper must not serve at all.
bool DropPrivileges(unsigned callerUid)
{
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (geteuid() == 0) {
        uid_t uid = 65534;
        gid_t gid = 65534;
        const passwd *pw = getpwnam(kServiceUser);
        if (!pw)
            pw = getpwnam(kFallbackUser);
        if (pw) {
            uid = pw->pw_uid;
            gid = pw->pw_gid;
        }
        const char *step = setgroups(0, nullptr) != 0 ? "supplementary groups"
            : setgid(gid) != 0                        ? "group id"
            : setuid(uid) != 0                        ? "user id"
                                                      : nullptr;
        if (step) {
            syslog(LOG_ERR, "uid %u: could not drop root privileges (%s): %s; not serving", callerUid, step,
                std::strerror(errno));
            return false;
        }
    }
    // The kernel makes a process dumpable again when its ids change.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    return true;
}

class TRequestServer
{
public:
    TRequestServer(int fd, unsigned callerUid)
        : m_fd(fd)
        , m_callerUid(callerUid)
    { }

    void Serve(const std::string &line, bool tooLong)
    {
        if (tooLong) {
            Reply("ERR malformed request: line longer than " + std::to_string(kMaxLineLength) + " characters");
            return;
        }
        const std::vector<std::string> tokens = Split(line);
        unsigned port = 0;
        unsigned value = 0;
        if (tokens.size() == 2 && tokens[0] == "IN" && ParseHex(tokens[1], 0xFFFF, port))
            Read(port);
        else if (tokens.size() == 3 && tokens[0] == "OUT" && ParseHex(tokens[1], 0xFFFF, port)
            && ParseHex(tokens[2], 0xFF, value))
            Write(port, value);
        else
            Reply("ERR malformed request: expected \"IN 0xPORT\" or \"OUT 0xPORT 0xBYTE\"");
    }

private:
    void Read(unsigned port)
    {
        if (!IsReadablePort(std::uint16_t(port))) {
            Reply("ERR refused: port " + ProtocolHex(port, 3) + " is not served");
            return;
        }
        unsigned char byte = 0;
        if (pread(m_fd, &byte, 1, off_t(port)) != 1) {
            Reply(std::string("ERR io: ") + (errno ? std::strerror(errno) : "short read"));
            return;
        }
        Reply("OK " + ProtocolHex(byte, 2));
    }

    void Write(unsigned port, unsigned value)
    {
        if (!IsWritablePort(std::uint16_t(port))) {
            syslog(LOG_WARNING, "uid %u: refused write of 0x%02x to port 0x%03x", m_callerUid, value, port);
            Reply("ERR refused: port " + ProtocolHex(port, 3) + " is not served for writing");
            return;
        }
        const unsigned char byte = static_cast<unsigned char>(value);
        errno = 0;
        if (pwrite(m_fd, &byte, 1, off_t(port)) != 1) {
            const char *why = errno ? std::strerror(errno) : "short write";
            syslog(LOG_ERR, "uid %u: write of 0x%02x to port 0x%03x failed: %s", m_callerUid, value, port, why);
            Reply(std::string("ERR io: ") + why);
            return;
        }
        syslog(LOG_NOTICE, "uid %u: wrote 0x%02x to port 0x%03x", m_callerUid, value, port);
        Reply("OK");
    }

    int m_fd;
    unsigned m_callerUid;
};

} // namespace

int main(int argc, char **)
{
    // First of all: with standard output closed the device would open in its
    // place and take the replies as port writes; with standard input closed
    // it would be read as requests.
    if (!OpenStandardDescriptors())
        return kExitNoNull;
    CloseInheritedDescriptors();

    // pkexec hands over whatever arguments its caller chose: take none.
    if (argc > 1) {
        std::fputs("zx-setup-porthelper takes no arguments; it serves requests on standard input\n", stderr);
        return kExitUsage;
    }

    const unsigned callerUid = CallerUid();
    const char *device = kPortDevicePath;
    bool testDevice = false;
#if defined(ZX_TEST_HOOKS)
    if (const char *override = secure_getenv(kDeviceOverride); override && *override) {
        device = override;
        testDevice = true;
    }
#endif

    openlog("zx-setup-porthelper", LOG_PID | LOG_NDELAY | (testDevice ? LOG_PERROR : 0), LOG_AUTHPRIV);

    const int fd = open(device, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        Reply("ERR open " + std::to_string(error) + " " + std::strerror(error));
        syslog(LOG_ERR, "uid %u: cannot open %s: %s", callerUid, device, std::strerror(error));
        return kExitNoDevice;
    }
    if (!DropPrivileges(callerUid)) {
        close(fd);
        return kExitNoDrop;
    }
    Reply(kReadyLine);

    TRequestServer server(fd, callerUid);
    std::string line;
    bool tooLong = false;
    while (ReadLine(line, tooLong))
        server.Serve(line, tooLong);
    close(fd);
    closelog();
    return 0;
}
