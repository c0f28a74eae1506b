#pragma once
// zelctl run as its own process, as a script runs it: exit status, standard output and error.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zel::cli::test {

struct Outcome {
    int Status = -1;
    std::string Out, Err;
    QJsonArray Json() const
    {
        auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(Out));
        EXPECT_TRUE(doc.isArray()) << Out;
        return doc.array();
    }
};

// zelctl started with these arguments, its standard output and error going to pipes.
struct Child {
    pid_t Pid = 0;
    int Out = -1, Err = -1;
};

inline Child SpawnZelctl(const std::vector<std::string>& args)
{
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> all{ZELCTL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    Child child;
    EXPECT_EQ(::posix_spawn(&child.Pid, ZELCTL_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    child.Out = out[0];
    child.Err = err[0];
    return child;
}

// Reads the child's outputs to their end and waits for it. Status -1 when it did not exit by
// itself (a signal ended it).
inline Outcome Finish(const Child& child)
{
    Outcome result;
    pollfd fds[2] = {{child.Out, POLLIN, 0}, {child.Err, POLLIN, 0}};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, 60000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    ::waitpid(child.Pid, &status, 0);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs zelctl with these arguments; standard output and error captured.
inline Outcome Zelctl(const std::vector<std::string>& args)
{
    return Finish(SpawnZelctl(args));
}

} // namespace zel::cli::test
