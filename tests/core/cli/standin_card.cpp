// Stands in for pkexec and the port helper at once: speaks the helper's line
// protocol for a card whose control registers live in a file, so that they
// keep their values from one run of the tool to the next. No Qt.
//   ZX_CARD_STATE  the registers 0 to 12, as hexadecimal bytes on one line
//   ZX_CARD_BASE   the card's control base address (hexadecimal, default 300);
//                  at any other base the data port reads 0xff, as with no card
//   ZX_CARD_KEEPS  "0": writes reach the card but its registers do not change
//   ZX_CARD_LOG    every start and request, "<monotonic ms> <line>"
//   ZX_CARD_EXIT   exit with this status at once (126: authorisation dismissed)
//   ZX_CARD_REFUSE registers (decimal, comma-separated) whose index write is
//                  answered "ERR refused", as a helper that does not serve it
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

std::array<unsigned, 13> g_registers {};
unsigned g_index = 0;

const char *Env(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

void Log(const std::string &line)
{
    const char *path = Env("ZX_CARD_LOG");
    if (!path)
        return;
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (std::FILE *log = std::fopen(path, "a")) {
        std::fprintf(log, "%lld %s\n", (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000, line.c_str());
        std::fclose(log);
    }
}

void Load()
{
    const char *path = Env("ZX_CARD_STATE");
    std::FILE *state = path ? std::fopen(path, "r") : nullptr;
    if (!state)
        return;
    for (unsigned &reg : g_registers)
        if (std::fscanf(state, "%x", &reg) != 1)
            break;
    std::fclose(state);
}

void Save()
{
    const char *path = Env("ZX_CARD_STATE");
    std::FILE *state = path ? std::fopen(path, "w") : nullptr;
    if (!state)
        return;
    for (unsigned reg : g_registers)
        std::fprintf(state, "%02x ", reg);
    std::fputc('\n', state);
    std::fclose(state);
}

void Reply(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main()
{
    Log("START");
    if (const char *status = Env("ZX_CARD_EXIT"))
        return std::atoi(status);
    const unsigned base = Env("ZX_CARD_BASE") ? unsigned(std::strtoul(Env("ZX_CARD_BASE"), nullptr, 16)) : 0x300;
    const bool keeps = !Env("ZX_CARD_KEEPS") || std::strcmp(Env("ZX_CARD_KEEPS"), "0") != 0;
    const std::string refused = std::string(",") + (Env("ZX_CARD_REFUSE") ? Env("ZX_CARD_REFUSE") : "") + ",";
    Load();
    Reply("READY");
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        Log(line);
        unsigned port = 0, value = 0;
        char answer[32];
        if (std::sscanf(line, "IN 0x%x", &port) == 1) {
            value = 0xff;
            if (port == 0x61)
                value = 0x20;
            else if (port == base + 2 && g_index < g_registers.size())
                value = g_registers[g_index];
            std::snprintf(answer, sizeof answer, "OK 0x%02x", value);
            Reply(answer);
        } else if (std::sscanf(line, "OUT 0x%x 0x%x", &port, &value) == 2) {
            if (port == base + 1 && refused.find("," + std::to_string(value) + ",") != std::string::npos) {
                Reply("ERR refused: register not served");
                continue;
            }
            if (port == base + 1) {
                g_index = value;
            } else if (port == base + 2 && keeps && g_index < g_registers.size()) {
                g_registers[g_index] = value;
                Save();
            }
            Reply("OK");
        } else {
            Reply("ERR malformed request");
        }
    }
    return 0;
}
