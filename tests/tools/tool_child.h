#pragma once
// Runs the real k20tool as a child process, the way a user's shell does, and keeps how
// it ended: a crash shows as a signal instead of an exit code.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace k20::tool::test {

struct ChildResult {
    bool signalled = false;
    int signal = 0;
    int exitCode = -1;
    std::string out, err;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// dir: the child's working folder, which also takes its captured output. A child that
// hangs (a read that never ends) is killed after killAfterSeconds and shows as SIGKILL,
// so that the test fails instead of waiting for ever.
inline ChildResult RunChild(const std::string& exe, const std::vector<std::string>& args,
                            const std::string& dir, int killAfterSeconds = 60) {
    const std::string outPath = dir + "/child.out", errPath = dir + "/child.err";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(120);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(121);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(122);
    }
    ChildResult r;
    int status = 0;
    if (pid < 0) return r;
    long waitedUs = 0, stepUs = 500;
    bool killed = false;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return r;
        if (!killed && waitedUs > long(killAfterSeconds) * 1000000) {
            kill(pid, SIGKILL);
            killed = true;
        }
        usleep(useconds_t(stepUs));
        waitedUs += stepUs;
        stepUs = stepUs < 50000 ? stepUs * 2 : stepUs;
    }
    r.signalled = WIFSIGNALED(status);
    r.signal = r.signalled ? WTERMSIG(status) : 0;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadText(outPath);
    r.err = ReadText(errPath);
    return r;
}

}  // namespace k20::tool::test
