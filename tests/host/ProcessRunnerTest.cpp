// The process runner with real child processes.
#include "host/ProcessRunner.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"

#include "host/QueueEventLoop.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

struct Ended {
    std::uint32_t ExitCode;
};

class ProcessRunnerTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tv-process-" + std::to_string(getpid()));
        fs::create_directories(FDir);
        FRunner.OnTerminate = [this](ProcessRunner&, std::uint32_t code) { FEnded.push_back({code}); };
    }
    void TearDown() override { fs::remove_all(FDir); }

    // A shell script at `path` that runs `body`.
    std::string Script(const std::string& name, const std::string& body) {
        fs::path path = FDir / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }
    // Runs the loop until an end event arrived, at most five seconds.
    void AwaitEnd() {
        for (int i = 0; i < 100 && FEnded.empty(); ++i)
            FLoop.WaitAndProcess(50);
    }

    QueueEventLoop FLoop;
    ProcessRunner FRunner{FLoop};
    std::vector<Ended> FEnded;
    fs::path FDir;
};

TEST_F(ProcessRunnerTest, ExitCodeArrivesOnceAfterRunReturned) {
    FRunner.CommandLine = "/bin/sh -c \"exit 7\"";
    FRunner.Run();
    EXPECT_EQ(FRunner.State(), psWaiting);
    EXPECT_TRUE(FEnded.empty()); // never from inside Run
    AwaitEnd();
    ASSERT_EQ(FEnded.size(), 1u);
    EXPECT_EQ(FEnded[0].ExitCode, 7u);
    EXPECT_EQ(FRunner.State(), psReady);
    FLoop.WaitAndProcess(200);
    EXPECT_EQ(FEnded.size(), 1u);
}

TEST_F(ProcessRunnerTest, ExitCodesPassUnsigned) {
    const struct {
        const char* Command;
        std::uint32_t Code;
    } cases[] = {
        {"exit 0", 0},
        {"exit 255", 255},       // the largest a POSIX program can report, not -1
        {"kill -9 $$", 128 + 9}, // killed by a signal: 128 + its number
        {"kill -SEGV $$", 128 + 11},
    };
    for (const auto& c : cases) {
        FEnded.clear();
        FRunner.CommandLine = std::string("/bin/sh -c \"") + c.Command + "\"";
        FRunner.Run();
        AwaitEnd();
        ASSERT_EQ(FEnded.size(), 1u) << c.Command;
        EXPECT_EQ(FEnded[0].ExitCode, c.Code) << c.Command;
    }
}

TEST_F(ProcessRunnerTest, WaitTheSystemRefusesStillEndsTheRunOnceWithItsReason) {
    // With SIGCHLD ignored the system reaps the child itself, and the wait for it fails.
    struct IgnoredChildSignal {
        IgnoredChildSignal() { std::signal(SIGCHLD, SIG_IGN); }
        ~IgnoredChildSignal() { std::signal(SIGCHLD, SIG_DFL); }
    } ignored;
    std::string failure;
    FRunner.OnTerminate = [&](ProcessRunner& sender, std::uint32_t code) {
        FEnded.push_back({code});
        failure = sender.WaitFailure();
    };
    FRunner.CommandLine = "/bin/sh -c \"exit 0\"";
    FRunner.Run();
    AwaitEnd();
    ASSERT_EQ(FEnded.size(), 1u);
    EXPECT_EQ(FEnded[0].ExitCode, 0xFFFFFFFFu);
    EXPECT_EQ(failure, "Das Ende des gestarteten Programms kann nicht abgewartet werden: No child processes");
    EXPECT_EQ(FRunner.WaitFailure(), ""); // only inside the event
    EXPECT_EQ(FRunner.State(), psReady);
}

TEST_F(ProcessRunnerTest, MissingProgramRaisesSystemErrorTwoAndNoEnd) {
    const std::string missing = (FDir / "no such" / "nv_setup.exe").string();
    FRunner.CommandLine = missing + " /SILENT";
    try {
        FRunner.Run();
        FAIL() << "no failure";
    } catch (const SystemError& e) {
        EXPECT_EQ(e.Code(), 2);
        EXPECT_EQ(std::string(e.what()), "Systemfehler.  Code: 2.\r\nNo such file or directory");
    }
    EXPECT_EQ(FRunner.State(), psReady);
    EXPECT_FALSE(FLoop.WaitAndProcess(200));
    EXPECT_TRUE(FEnded.empty());

    FRunner.CommandLine = "/bin/sh -c \"exit 3\""; // the runner can start again
    FRunner.Run();
    AwaitEnd();
    ASSERT_EQ(FEnded.size(), 1u);
    EXPECT_EQ(FEnded[0].ExitCode, 3u);
}

TEST_F(ProcessRunnerTest, NonProgramFileIsRefusedBySystem) {
    std::ofstream(FDir / "data.txt") << "not a program";
    FRunner.CommandLine = (FDir / "data.txt").string();
    try {
        FRunner.Run();
        FAIL() << "no failure";
    } catch (const SystemError& e) {
        EXPECT_EQ(e.Code(), EACCES) << e.what();
    }
    EXPECT_EQ(FRunner.State(), psReady);
}

TEST_F(ProcessRunnerTest, SecondRunWhileWaitingRaisesAndTheFirstEndStillArrives) {
    FRunner.CommandLine = "/bin/sh -c \"sleep 0.3; exit 4\"";
    FRunner.Run();
    FRunner.CommandLine = "/bin/sh -c \"exit 9\"";
    try {
        FRunner.Run();
        FAIL() << "no failure";
    } catch (const ProcessBusyError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot perform this operation when process is running");
    }
    EXPECT_EQ(FRunner.State(), psWaiting);
    AwaitEnd();
    ASSERT_EQ(FEnded.size(), 1u);
    EXPECT_EQ(FEnded[0].ExitCode, 4u);
}

TEST_F(ProcessRunnerTest, RunnerWithoutWaitingStartsEveryRun) {
    ProcessRunner runApp(FLoop);
    runApp.WaitForTerminate = false;
    bool called = false;
    runApp.OnTerminate = [&](ProcessRunner&, std::uint32_t) { called = true; };
    const fs::path marks = FDir / "marks";
    runApp.CommandLine = Script("tool", "echo started >> '" + marks.string() + "'");
    runApp.Run();
    EXPECT_EQ(runApp.State(), psRunning);
    runApp.Run();
    for (int i = 0; i < 100 && testbed::ReadAll(marks) != "started\nstarted\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(testbed::ReadAll(marks), "started\nstarted\n");
    FLoop.WaitAndProcess(100);
    EXPECT_FALSE(called);
}

TEST_F(ProcessRunnerTest, EndHandlerMayRewriteTheCommandLineAndRunAgain) {
    std::vector<std::uint32_t> codes;
    FRunner.OnTerminate = [&](ProcessRunner& sender, std::uint32_t code) {
        codes.push_back(code);
        EXPECT_EQ(sender.State(), psReady);
        sender.CommandLine = "";
        if (codes.size() == 1) {
            sender.CommandLine = "/bin/sh -c \"exit 6\"";
            sender.Run();
        }
    };
    FRunner.CommandLine = "/bin/sh -c \"exit 5\"";
    FRunner.Run();
    for (int i = 0; i < 100 && codes.size() < 2; ++i)
        FLoop.WaitAndProcess(50);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{5, 6}));
    EXPECT_EQ(FRunner.CommandLine, "");
}

TEST_F(ProcessRunnerTest, PathWithBlanksRunsThePrefixProgramUnlessQuoted) {
    const fs::path out = FDir / "who";
    Script("my", "echo prefix > '" + out.string() + "'");
    std::string right = Script("my dir/setup.exe", "echo right > '" + out.string() + "'");
    FRunner.CommandLine = right + " /SILENT";
    FRunner.Run();
    AwaitEnd();
    EXPECT_EQ(testbed::ReadAll(out), "prefix\n");

    FEnded.clear();
    FRunner.CommandLine = "\"" + right + "\" /SILENT";
    FRunner.Run();
    AwaitEnd();
    EXPECT_EQ(testbed::ReadAll(out), "right\n");
}

TEST_F(ProcessRunnerTest, ArgumentsReachTheProgramSplitByWindowsRules) {
    const fs::path out = FDir / "args";
    std::string program =
        Script("show args", "for a in \"$@\"; do echo \"[$a]\"; done > '" + out.string() + "'");
    FRunner.CommandLine = "\"" + program + "\" /SILENT /DIR=\"/srv/my data\" /TYPE=\"Single\"";
    FRunner.Run();
    AwaitEnd();
    EXPECT_EQ(testbed::ReadAll(out), "[/SILENT]\n[/DIR=/srv/my data]\n[/TYPE=Single]\n");
}

TEST_F(ProcessRunnerTest, DestroyedWhileWaitingReportsNothingAndTheChildGoesOn) {
    const fs::path done = FDir / "done";
    int events = 0;
    {
        ProcessRunner runner(FLoop);
        runner.OnTerminate = [&](ProcessRunner&, std::uint32_t) { ++events; };
        runner.CommandLine = Script("slow", "sleep 0.2; echo finished > '" + done.string() + "'");
        runner.Run();
    }
    for (int i = 0; i < 50 && !fs::exists(done); ++i)
        FLoop.WaitAndProcess(20);
    FLoop.WaitAndProcess(100);
    EXPECT_EQ(testbed::ReadAll(done), "finished\n");
    EXPECT_EQ(events, 0);
}

TEST_F(ProcessRunnerTest, ChildInheritsNoDescriptorOfOurs) {
    const fs::path out = FDir / "fds";
    int opened = ::open((FDir / "open-file").c_str(), O_CREAT | O_RDWR, 0600); // without close-on-exec
    int kept = ::fcntl(opened, F_DUPFD, 40); // far above what the shell opens for itself
    ::close(opened);
    ASSERT_GE(kept, 40);
    FRunner.CommandLine = "/bin/sh -c \"ls /proc/self/fd > '" + out.string() + "'\"";
    FRunner.Run();
    AwaitEnd();
    ::close(kept);
    std::string listed = testbed::ReadAll(out);
    EXPECT_EQ(listed.find("\n" + std::to_string(kept) + "\n"), std::string::npos) << listed;
}

} // namespace
} // namespace tv
