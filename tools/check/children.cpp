// Every check runs in a child process with a time limit, so that a crash or a hang inside the
// library under test fails that check and nothing else.
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "check.h"

namespace dstcheck {

namespace {

// Shared with the children: what the running check is doing, for the report of a crash.
char* doingNow = nullptr;
constexpr std::size_t kDoingSize = 1024;

// One frame a check: its index, then the detail's length and bytes.
void writeFrame(int fd, std::uint32_t index, const std::string& detail) {
    const std::uint32_t head[2] = {index, static_cast<std::uint32_t>(detail.size())};
    const std::string data = std::string(reinterpret_cast<const char*>(head), sizeof head) + detail;
    for (std::size_t at = 0; at < data.size();) {
        const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        at += static_cast<std::size_t>(n);
    }
}

// What `pid` is doing: the processor time it has used, in seconds (user and system), and
// whether it is asleep (neither running, nor waiting for a processor or a disk); 0 and
// asleep when it cannot be read.
struct Usage {
    double seconds = 0;
    bool asleep = true;
};
Usage usageOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t name = stat.rfind(')');  // the command's name, in parentheses, may hold anything
    if (name == std::string::npos) return {};
    std::istringstream fields(stat.substr(name + 1));
    std::string state, skip;
    fields >> state;
    for (int field = 4; field < 14; ++field) fields >> skip;  // ppid ... cmajflt
    unsigned long long user = 0, system = 0;
    fields >> user >> system;
    if (!fields) return {};
    return {
        static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK)), state != "R" && state != "D"};
}

// A child's last frame: it stops of its own accord.
constexpr std::uint32_t kDone = UINT32_MAX;

// The child: runs the checks from `next` on, and stops after a required one or before one.
[[noreturn]] void runInChild(const std::vector<Check>& checks, std::size_t next, int fd) {
    for (std::size_t i = next; i < checks.size(); ++i) {
        std::string detail;
        try {
            detail = checks[i].run();
        } catch (const std::exception& e) {
            detail = std::string("an exception came out of the library: ") + e.what() + "; " + doingNow;
        } catch (...) {
            detail = std::string("an exception came out of the library; ") + doingNow;
        }
        doing("");
        writeFrame(fd, static_cast<std::uint32_t>(i), detail);
        if (checks[i].required || (i + 1 < checks.size() && checks[i + 1].required)) break;
    }
    writeFrame(fd, kDone, "");
    _exit(0);
}

}  // namespace

void shareDoing() {
    doingNow =
        static_cast<char*>(::mmap(nullptr, kDoingSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (doingNow == MAP_FAILED) throw Unusable(std::string("mmap: ") + std::strerror(errno));
}

void doing(const std::string& what) {
    const std::size_t n = std::min(what.size(), kDoingSize - 1);
    std::memcpy(doingNow, what.data(), n);
    doingNow[n] = '\0';
}

std::vector<Outcome> runAll(const std::vector<Check>& checks, int timeoutSeconds) {
    std::vector<Outcome> outcomes(checks.size());
    std::size_t next = 0;
    while (next < checks.size()) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        doing("");
        std::cout.flush();
        const pid_t pid = ::fork();
        if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
        if (pid == 0) {
            ::close(fds[0]);
            runInChild(checks, next, fds[1]);
        }
        ::close(fds[1]);
        std::string frames;
        std::string failure;
        bool finished = false;
        // A check hangs when it uses `timeoutSeconds` of processor time, or sleeps that long
        // without using any: one that is slow only because the machine is busy is waiting
        // for a processor, not asleep, and goes on.
        double used = 0, atStart = 0;  // atStart: when the running check began
        auto progressed = std::chrono::steady_clock::now();
        for (;;) {
            pollfd p{fds[0], POLLIN, 0};
            const int ready = ::poll(&p, 1, 250);
            if (ready < 0 && errno == EINTR) continue;
            const Usage now = usageOf(pid);
            const auto clock = std::chrono::steady_clock::now();
            if (now.seconds > used || !now.asleep) used = std::max(used, now.seconds), progressed = clock;
            if (used - atStart >= timeoutSeconds) {
                failure = "used " + std::to_string(timeoutSeconds) + " s of processor time without finishing";
                break;
            }
            if (clock - progressed >= std::chrono::seconds(timeoutSeconds)) {
                failure = "hung: asleep for " + std::to_string(timeoutSeconds) + " s";
                break;
            }
            if (ready == 0) continue;
            char chunk[65536];
            const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            frames.append(chunk, static_cast<std::size_t>(n));
            std::uint32_t head[2];
            while (frames.size() >= sizeof head) {
                std::memcpy(head, frames.data(), sizeof head);
                if (frames.size() < sizeof head + head[1]) break;
                const std::string detail = frames.substr(sizeof head, head[1]);
                frames.erase(0, sizeof head + head[1]);
                if (head[0] == kDone) {
                    finished = true;
                    continue;
                }
                outcomes[head[0]] = {detail.empty(), detail};
                next = head[0] + 1, atStart = used, progressed = clock;
            }
        }
        ::close(fds[0]);
        if (!finished) ::kill(pid, SIGKILL);  // dead already, hanging, or it closed the pipe
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        if (!finished) {
            if (failure.empty())
                failure = WIFSIGNALED(status)
                              ? std::string("crashed (") + strsignal(WTERMSIG(status)) + ")"
                              : "ended the process with exit status " + std::to_string(WEXITSTATUS(status));
            outcomes[next++] = {false, failure + (doingNow[0] ? std::string(" ") + doingNow : std::string())};
        }
    }
    return outcomes;
}

}  // namespace dstcheck
