#include "platform/desktop/detached_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>

#include "platform/desktop/program_location.h"

namespace pelko {

namespace {

// A descriptor moved above 0, 1 and 2, so that setting up the standard descriptors in the
// child never overwrites it.
FileDescriptor aboveStdio(int fd) {
    if (fd < 0 || fd > 2) {
        return FileDescriptor(fd);
    }
    FileDescriptor original(fd);
    return FileDescriptor(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
}

struct Pipe {
    FileDescriptor read, write;
};

Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return {};
    }
    return {aboveStdio(fds[0]), aboveStdio(fds[1])};
}

// Everything the started program needs, prepared before fork: between fork and exec only
// async-signal-safe calls are made (the caller may run other threads).
struct ChildSetup {
    std::string path;
    std::vector<char*> argv;
    const char* workingDir = nullptr;
    int devNull = -1;
    int output = -1;  // the write end of the output pipe, or -1
    int status = -1;  // the write end of the status pipe: errno when the start fails
    int maxFd = 0;    // descriptors below this are closed when close_range is missing
};

[[noreturn]] void reportAndExit(int status, int error) {
    while (::write(status, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// Closes every descriptor from `from` on, except `keep`.
void closeDescriptorsFrom(int from, int keep, int maxFd) {
    if ((keep <= from || ::close_range(unsigned(from), unsigned(keep - 1), 0) == 0) &&
        ::close_range(unsigned(keep + 1), UINT_MAX, 0) == 0) {
        return;
    }
    for (int fd = from; fd < maxFd; ++fd) {
        if (fd != keep) {
            ::close(fd);
        }
    }
}

[[noreturn]] void execChild(const ChildSetup& s) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
        ::signal(sig, SIG_DFL);
    }
    if (s.workingDir != nullptr && ::chdir(s.workingDir) != 0) {
        reportAndExit(s.status, errno);
    }
    if (::dup2(s.devNull, STDIN_FILENO) < 0 ||
        ::dup2(s.output >= 0 ? s.output : s.devNull, STDOUT_FILENO) < 0 ||
        ::dup2(s.devNull, STDERR_FILENO) < 0) {
        reportAndExit(s.status, errno);
    }
    closeDescriptorsFrom(3, s.status, s.maxFd);
    ::execv(s.path.c_str(), s.argv.data());
    reportAndExit(s.status, errno);
}

std::string resolveProgram(const std::string& program) {
    if (program.empty()) {
        return {};
    }
    if (program.find('/') == std::string::npos) {
        return findOnPath(program).value_or(std::string());
    }
    std::error_code ec;
    return std::filesystem::absolute(program, ec).string();
}

}  // namespace

DetachedStart startDetached(const DetachedCommand& command) {
    DetachedStart result;
    ChildSetup setup;
    setup.path = resolveProgram(command.program);
    if (setup.path.empty()) {
        result.error = ENOENT;
        return result;
    }
    std::vector<std::string> args{command.name.empty() ? command.program : command.name};
    args.insert(args.end(), command.arguments.begin(), command.arguments.end());
    for (std::string& a : args) {
        setup.argv.push_back(a.data());
    }
    setup.argv.push_back(nullptr);
    if (!command.workingDir.empty()) {
        setup.workingDir = command.workingDir.c_str();
    }

    FileDescriptor devNull = aboveStdio(::open("/dev/null", O_RDWR | O_CLOEXEC));
    Pipe status = makePipe();
    Pipe output = command.pipeOutput ? makePipe() : Pipe{};
    if (!devNull || !status.write || (command.pipeOutput && !output.write)) {
        result.error = errno != 0 ? errno : EMFILE;
        return result;
    }
    setup.devNull = devNull.get();
    setup.output = output.write.get();
    setup.status = status.write.get();
    const long maxFd = ::sysconf(_SC_OPEN_MAX);
    setup.maxFd = maxFd > 0 && maxFd < 65536 ? int(maxFd) : 65536;

    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = errno;
        return result;
    }
    if (pid == 0) {
        // The intermediate child: a new session, then the program's process, which the
        // system adopts once this one exits.
        if (::setsid() < 0) {
            reportAndExit(setup.status, errno);
        }
        const pid_t program = ::fork();
        if (program < 0) {
            reportAndExit(setup.status, errno);
        }
        if (program > 0) {
            ::_exit(0);
        }
        execChild(setup);
    }
    status.write.reset();
    output.write.reset();
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    // The status pipe closes without data once the program has been executed.
    int error = 0;
    ssize_t n;
    while ((n = ::read(status.read.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n == ssize_t(sizeof error)) {
        result.error = error;
        return result;
    }
    result.output = std::move(output.read);
    return result;
}

void launchProgram(const std::string& program, const std::string& argument,
                   const std::string& workingDir) {
    startDetached({program, {argument}, workingDir, false, {}});
}

}  // namespace pelko
