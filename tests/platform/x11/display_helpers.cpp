#include "display_helpers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "platform/x11/connection.h"

extern char** environ;

namespace pelko::test {

namespace {

std::vector<std::string> environmentWith(
    const std::vector<std::pair<std::string, std::string>>& changes) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        auto eq = entry.find('=');
        vars[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
    }
    for (const auto& [name, value] : changes) {
        vars[name] = value;
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : vars) {
        out.push_back(name + "=" + value);
    }
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

}  // namespace

Process::Process(const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env, int timeoutSeconds) {
    std::vector<std::string> argv{"timeout", std::to_string(timeoutSeconds)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = environmentWith(env);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    // A process group of its own, so that stopping it also stops what it started: a leftover
    // child would keep the test's output open and the test runner waiting.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    auto argvp = pointers(argv);
    auto envpp = pointers(envp);
    pid_t pid;
    if (posix_spawnp(&pid, "timeout", &actions, &attributes, argvp.data(), envpp.data()) == 0) {
        m_pid = pid;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    m_out = fds[0];
}

Process::~Process() {
    if (m_pid > 0 && !m_reaped) {
        kill(-m_pid, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            int status;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!m_reaped) {
            kill(-m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    if (m_pid > 0) {
        kill(-m_pid, SIGKILL);  // anything the process left behind in its group
    }
    if (m_out >= 0) {
        close(m_out);
    }
}

std::optional<std::string> Process::readLine(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (m_out < 0 || left.count() <= 0) {
            return std::nullopt;
        }
        pollfd fd{m_out, POLLIN, 0};
        if (poll(&fd, 1, int(left.count())) <= 0) {
            continue;
        }
        char chunk[4096];
        ssize_t n = read(m_out, chunk, sizeof chunk);
        if (n <= 0) {
            return std::nullopt;
        }
        m_buffer.append(chunk, std::size_t(n));
    }
}

int Process::wait() {
    if (m_pid > 0 && !m_reaped) {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_reaped = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return m_status;
}

int run(const std::vector<std::string>& args,
        const std::vector<std::pair<std::string, std::string>>& env, std::string* output) {
    Process p(args, env);
    std::string all;
    while (auto line = p.readLine(std::chrono::seconds(60))) {
        all += *line + "\n";
    }
    if (output) {
        *output = all;
    }
    return p.wait();
}

PrivateDisplay::PrivateDisplay(const std::string& geometry, bool windowManager) {
    std::vector<std::string> args{"bash", PELKO_DESKTOP_SH, "start", m_state.path(), geometry};
    if (!windowManager) {
        args.push_back("nowm");
    }
    std::string out;
    if (run(args, {}, &out) != 0 || out.empty() || out[0] != ':') {
        m_error = "tests/desktop.sh could not start a display " + geometry;
        return;
    }
    m_name = out.substr(0, out.find('\n'));
}

PrivateDisplay::~PrivateDisplay() {
    run({"bash", PELKO_DESKTOP_SH, "stop", m_state.path()});
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

ShownPicture::ShownPicture(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env)
    : m_process(
          [&] {
              std::vector<std::string> all{PELKO_SHOW_PICTURE};
              all.insert(all.end(), args.begin(), args.end());
              return all;
          }(),
          env) {
    m_ready = m_process.readLine(std::chrono::seconds(20)) == "ready";
}

TestConnection::TestConnection(const char* display) : m_conn(xcb_connect(display, nullptr)) {
    if (ok()) {
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data;
    }
}

TestConnection::~TestConnection() {
    xcb_disconnect(m_conn);
}

xcb_atom_t TestConnection::atom(const char* name) {
    auto reply = x11::waitReply(m_conn, xcb_intern_atom_reply,
                                xcb_intern_atom(m_conn, 0, std::uint16_t(std::strlen(name)), name));
    return reply ? reply->atom : XCB_NONE;
}

std::vector<std::uint32_t> TestConnection::property32(xcb_window_t w, const char* name) {
    auto reply = x11::waitReply(
        m_conn, xcb_get_property_reply,
        xcb_get_property(m_conn, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024));
    if (!reply || reply->format != 32) {
        return {};
    }
    auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {v, v + xcb_get_property_value_length(reply.get()) / 4};
}

xcb_window_t TestConnection::findByName(const std::string& name) {
    std::vector<xcb_window_t> todo{root()};
    while (!todo.empty()) {
        xcb_window_t w = todo.back();
        todo.pop_back();
        auto prop = x11::waitReply(
            m_conn, xcb_get_property_reply,
            xcb_get_property(m_conn, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
        if (prop && std::string(static_cast<const char*>(xcb_get_property_value(prop.get())),
                                std::size_t(xcb_get_property_value_length(prop.get()))) == name) {
            return w;
        }
        auto tree = x11::waitReply(m_conn, xcb_query_tree_reply, xcb_query_tree(m_conn, w));
        if (tree) {
            xcb_window_t* children = xcb_query_tree_children(tree.get());
            todo.insert(todo.end(), children,
                        children + xcb_query_tree_children_length(tree.get()));
        }
    }
    return XCB_NONE;
}

void TestConnection::sync() {
    x11::waitReply(m_conn, xcb_get_input_focus_reply, xcb_get_input_focus(m_conn));
}

}  // namespace pelko::test
