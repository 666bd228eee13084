// The ql41sim program: terminal path on its first line, the --link symlink,
// a clean exit on SIGTERM with the memory saved.
#include "SimLine.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/wait.h>

namespace {

// ql41sim as a child process with its output on pipes. Started with a plain
// fork and exec: the thread sanitizer follows those, unlike the clone-based
// spawning of QProcess.
class SimProcess {
public:
    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        for (int fd : {out_, err_})
            if (fd >= 0)
                ::close(fd);
    }

    bool Start(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return false;
        if (pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return false;
        }
        std::vector<std::string> all{QL41SIM_EXECUTABLE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        return pid_ > 0;
    }

    pid_t Pid() const { return pid_; }

    // The first line on standard output.
    std::string ReadLine(int timeoutMs)
    {
        const auto end = SimLine::Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t newline = out.find('\n');
            if (newline != std::string::npos) {
                std::string line = out.substr(0, newline);
                out.erase(0, newline + 1);
                return line;
            }
            if (!ReadSome(end))
                return std::string();
        }
    }

    // Collects the output until the process ends, then its exit status;
    // -1 when it is still running at the deadline.
    int Wait(int timeoutMs)
    {
        const auto end = SimLine::Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out_ >= 0 || err_ >= 0)
            if (!ReadSome(end))
                return -1;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return status;
    }

    std::string out, err;

private:
    // Waits for output; false at the deadline.
    bool ReadSome(SimLine::Clock::time_point end)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - SimLine::Clock::now()).count();
        if (left <= 0 || (out_ < 0 && err_ < 0))
            return false;
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        const int rc = poll(fds, 2, static_cast<int>(left));
        if (rc < 0)
            return errno == EINTR;
        if (rc == 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0)
                continue;
            int& fd = i == 0 ? out_ : err_;
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out : err).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

bool ExitedWith(int status, int code)
{
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

} // namespace

TEST(SimProgram, RunsUntilSigtermAndSaves)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("radio");
    const QString save = dir.filePath("saved.mem");
    // An old link to replace.
    ASSERT_TRUE(QFile::link("/dev/null", link));

    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "data", "--link", link.toStdString(), "--save", save.toStdString()}));
    const std::string path = sim.ReadLine(5000);
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path << sim.err;

    const QFileInfo info(link);
    EXPECT_TRUE(info.isSymLink());
    EXPECT_EQ(info.symLinkTarget().toStdString(), path);

    {
        SimLine line(link.toStdString());
        ASSERT_TRUE(line.IsOpen());
        EXPECT_EQ(line.Exchange(kIdentityRequest, 17), "51 4C 34 31 30 30 44 20 76 32 2E 31 30 0D F5 02 CC");
        // Write 0x5A at 51.
        EXPECT_EQ(line.Exchange("5A 00 33 00 72 47 CC", 7), "00 00 33 00 CC 47 CC");
    }

    ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
    const int status = sim.Wait(5000);
    EXPECT_TRUE(ExitedWith(status, 0)) << status << " " << sim.err;
    EXPECT_TRUE(sim.out.empty()) << sim.out; // nothing after the path

    QFile saved(save);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 2048);
    EXPECT_EQ(static_cast<uint8_t>(bytes[50]), 1); // a data radio
    EXPECT_EQ(static_cast<uint8_t>(bytes[51]), 0x5A);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(SimProgram, StopsOnSigintToo)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "pmr"}));
    const std::string path = sim.ReadLine(5000);
    {
        SimLine line(path);
        EXPECT_EQ(line.Exchange(kIdentityRequest, 25),
                  "43 48 41 4E 30 31 00 84 51 4C 34 31 30 30 50 20 76 33 2E 30 31 0D E8 02 CC");
    }
    ASSERT_EQ(::kill(sim.Pid(), SIGINT), 0);
    EXPECT_TRUE(ExitedWith(sim.Wait(5000), 0)) << sim.err;
}

TEST(SimProgram, BadArgumentsExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"}, {"--late", "abc"}, {"--late"}, {"--family", "cb"},
        {"--noise", "1.5"}, {"--fail-after", "-1"}, {"--line-rate", "fast"},
    };
    for (const auto& args : cases) {
        SimProcess sim;
        ASSERT_TRUE(sim.Start(args));
        EXPECT_TRUE(ExitedWith(sim.Wait(5000), 2)) << args[0];
        EXPECT_FALSE(sim.err.empty()) << args[0];
        EXPECT_TRUE(sim.out.empty()) << args[0];
    }
}

TEST(SimProgram, HelpPrintsUsage)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--help"}));
    EXPECT_TRUE(ExitedWith(sim.Wait(5000), 0));
    for (const char* option : {"--family", "--memory", "--ident", "--save", "--link", "--silent", "--fail-after",
                               "--late", "--wrong-echo", "--noise", "--seed", "--line-rate"})
        EXPECT_NE(sim.out.find(option), std::string::npos) << option;
}
