#include "platform/host/process.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace zrv::host {

Started runProgram(const std::vector<std::string>& argv, const std::string& directory, Wait how) {
    const bool wait = how == Wait::Yes;
    if (argv.empty())
        return {};
    std::vector<std::string> args = argv;
    std::vector<char*> cargv;
    for (std::string& a : args)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    // A status pipe tells whether exec worked: it closes on exec, or carries errno.
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        return {};
    }
    if (pid == 0) {
        ::close(pipefd[0]);
        if (!wait) {
            // Not waited for: the grandchild runs on, adopted by init, and leaves no zombie.
            pid_t grandchild = ::fork();
            if (grandchild < 0) {
                int err = errno;
                (void)::write(pipefd[1], &err, sizeof err);
                ::_exit(127);
            }
            if (grandchild > 0)
                ::_exit(0);
        }
        (void)::chdir(directory.c_str());
        ::execvp(cargv[0], cargv.data());
        int err = errno;
        (void)::write(pipefd[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(pipefd[1]);
    int err = 0;
    ssize_t n;
    do
        n = ::read(pipefd[0], &err, sizeof err);
    while (n < 0 && errno == EINTR);
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Started out;
    out.started = n == 0;
    if (out.started && wait)
        out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return out;
}

Result<std::string> runningProgram() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fail(WinError::FileNotFound, "the running program's folder is unknown: " + ec.message());
    return program.string();
}

std::string replaceWith(const std::string& program, char** argv) {
    // What was written so far must not be written twice, or lost.
    std::fflush(nullptr);
    ::execv(program.c_str(), argv);
    return program + ": " + std::strerror(errno);
}

} // namespace zrv::host
