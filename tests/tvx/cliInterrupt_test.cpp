// A decode ended by SIGTERM removes its temporary output and dies of the signal, so a
// shell sees the usual 128 + 15, whatever the output format.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "common/temp_dir.h"

extern char** environ;

namespace {

pid_t startTvx(std::vector<std::string> words) {
    words.insert(words.begin(), TVX_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The test runner may ignore or block signals; the child starts with the defaults.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

std::vector<std::string> namesIn(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

bool holdsPartialFile(const std::filesystem::path& directory) {
    for (const std::string& name : namesIn(directory))
        if (name.find(".partial-") != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(TvxCliInterrupt, TerminatedDecodeLeavesNoTemporaryFile) {
    tovex_test::TempDir source;
    const std::string image = source.file("camera.tvx");
    ASSERT_EQ(tvx_test::runTvx({"encode", "--quiet", "--gen", "2",
                                std::string(TOVEX_TEST_DATA_DIR) + "/camera.png", image})
                  .status,
              0);
    for (const char* extension : {"png", "tif", "pgm"}) {
        SCOPED_TRACE(extension);
        tovex_test::TempDir output;
        // Four times magnified on one thread: long enough to be interrupted mid-way.
        const pid_t pid = startTvx({"decode", "--quiet", "--threads", "1", "--width", "2048", image,
                                    output.file(std::string("out.") + extension)});
        ASSERT_GT(pid, 0);
        int status = 0;
        bool exited = false;
        while (!holdsPartialFile(output.path())) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(exited) << "the decode ended before its output file appeared";
        ASSERT_EQ(kill(pid, SIGTERM), 0);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the decode finished before the signal arrived";
        EXPECT_EQ(WTERMSIG(status), SIGTERM);
        EXPECT_TRUE(namesIn(output.path()).empty()) << namesIn(output.path()).front();
    }
}
