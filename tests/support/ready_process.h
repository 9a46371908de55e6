#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace pelko::test {

// A helper program of a test (a fake service), started with its arguments; it is taken to
// be ready once it prints "ready" on a line of its own, and is ended with SIGTERM at the end.
class ReadyProcess {
  public:
    explicit ReadyProcess(const std::vector<std::string>& argv) {
        int out[2];
        if (argv.empty() || ::pipe(out) != 0) {
            throw std::runtime_error("no pipe");
        }
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(out[1]);
        // End of file before the line: it failed.
        std::string said;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
            said += c;
        }
        ::close(out[0]);
        if (said != "ready") {
            stop();
            throw std::runtime_error(argv.front() + " did not start");
        }
    }
    ~ReadyProcess() { stop(); }
    ReadyProcess(const ReadyProcess&) = delete;
    ReadyProcess& operator=(const ReadyProcess&) = delete;

  private:
    void stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

    pid_t m_pid = -1;
};

}  // namespace pelko::test
