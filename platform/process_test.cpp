#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/wait.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>  // needs windows.h first
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifdef _WIN32
constexpr char kChildName[] = "qo_test_child.exe";
constexpr uint32_t kKilledCode = 1;
#else
constexpr char kChildName[] = "qo_test_child";
constexpr uint32_t kKilledCode = 128 + 9;
#endif
constexpr uint32_t kNoCode = 0xDEADBEEF;
constexpr uint32_t kLongWaitMs = 20000;
// Scratch folders have a blank and non-ASCII letters in their names.
constexpr char16_t kScratchPrefix[] = u"qo proc \u00e4";

using qo::test::ReadFileBytes;
using qo::test::ScratchFolder;

WString W(const fs::path& path) {
    const std::u8string text = path.u8string();
    return FromUtf8(std::string(text.begin(), text.end()));
}

fs::path P(const WString& text) {
    const std::string utf8 = ToUtf8(text);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

WString Quoted(const fs::path& path) {
    WString quoted(1, u'"');
    quoted += W(path);
    quoted += u'"';
    return quoted;
}

std::vector<std::string> Utf8(const std::vector<WString>& texts) {
    std::vector<std::string> out;
    for (const WString& text : texts)
        out.push_back(ToUtf8(text));
    return out;
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool WaitForFile(const fs::path& path) {
    return qo::test::WaitUntil([&] { return fs::exists(path); });
}

fs::path ChildPath() {
    return P(ProgramFolder()) / kChildName;
}
WString Child() {
    return Quoted(ChildPath());
}

// Runs line to its end and returns its exit code (kNoCode on any failure).
uint32_t RunToEnd(const WString& line, const WString& folder = {}) {
    Process process;
    const long error = process.Start(line, folder);
    EXPECT_EQ(error, 0) << ToUtf8(line);
    if (error != 0)
        return kNoCode;
    EXPECT_EQ(process.Wait(kLongWaitMs), WaitResult::Exited) << ToUtf8(line);
    uint32_t code = kNoCode;
    EXPECT_TRUE(process.ExitCode(code)) << ToUtf8(line);
    return code;
}

#ifdef _WIN32
// The system's own reading of the arguments after a program name.
std::vector<WString> SystemSplit(const WString& arguments) {
    const WString line = u"prog " + arguments;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
    std::vector<WString> out;
    for (int i = 1; argv != nullptr && i < count; ++i) {
        out.push_back(reinterpret_cast<const char16_t*>(argv[i]));
    }
    LocalFree(argv);
    return out;
}
#endif

struct SplitCase {
    const char16_t* line;
    std::vector<WString> expected;
};

TEST(Process, SplitArgumentsReadsLinesAsWindowsDoes) {
    const std::vector<SplitCase> cases = {
        {u"", {}},
        {u" \t  ", {}},
        {u"a b\tc", {u"a", u"b", u"c"}},
        {u"  a \t\t b  ", {u"a", u"b"}},
        {u"\"a b\" c", {u"a b", u"c"}},
        {u"a\"b c\"d e", {u"ab cd", u"e"}},
        {u"\"\"", {u""}},
        {u"a \"\" b", {u"a", u"", u"b"}},
        {u"\\\"a", {u"\"a"}},
        {u"a\\\\b c\\d", {u"a\\\\b", u"c\\d"}},
        {u"a\\\\\\\\\"b c\"", {u"a\\\\b c"}},
        {u"a\\\\\\\"b", {u"a\\\"b"}},
        {u"a\\\\\\\\\\\"b", {u"a\\\\\"b"}},
        {u"\"a\\\\\" b", {u"a\\", u"b"}},
        {u"\"\\\\\"", {u"\\"}},
        {u"C:\\Program Files\\x\\", {u"C:\\Program", u"Files\\x\\"}},
        {u"\"C:\\dir\\\" x", {u"C:\\dir\" x"}},
        {u"\"a\"\"b\"", {u"a\"b"}},
        {u"\"a\"\"b c\"", {u"a\"b", u"c"}},
        {u"\"\"\"\"", {u"\""}},
        {u"\"\"\"a b\"\"\"", {u"\"a", u"b\""}},
        {u"x\"y\"\"\"z\"", {u"xy\"z"}},
        {u"a\"", {u"a"}},
        {u"a \"b c", {u"a", u"b c"}},
        {u"a \"", {u"a", u""}},
        {u"a\\\"", {u"a\""}},
        {u"a\\", {u"a\\"}},
        {u"\"a\tb\"", {u"a\tb"}},
        {u"a\nb\rc", {u"a\nb\rc"}},
        {u"\u00e4 \"\u00f6 \u20ac\" \U0001F600", {u"\u00e4", u"\u00f6 \u20ac", u"\U0001F600"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(Utf8(SplitArguments(c.line)), Utf8(c.expected)) << ToUtf8(c.line);
#ifdef _WIN32
        EXPECT_EQ(Utf8(SplitArguments(c.line)), Utf8(SystemSplit(c.line))) << ToUtf8(c.line);
#endif
    }
}

// exists() of a fake file system that records what it was asked.
struct FakeFiles {
    std::set<WString> files;
    std::vector<WString> asked;
    std::function<bool(const WString&)> Exists() {
        return [this](const WString& path) {
            asked.push_back(path);
            return files.count(path) > 0;
        };
    }
};

TEST(Process, SplitProgramTriesLongerPrefixesLikeCreateProcess) {
    WString program;
    std::vector<WString> args;

    FakeFiles fake{{u"C:\\Program Files\\x\\tool.exe"}, {}};
    ASSERT_TRUE(SplitProgram(u"C:\\Program Files\\x\\tool.exe a \"b c\"", fake.Exists(), program,
                             args, false));
    EXPECT_EQ(ToUtf8(program), "C:\\Program Files\\x\\tool.exe");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"a", "b c"}));
    EXPECT_EQ(Utf8(fake.asked),
              (std::vector<std::string>{"C:\\Program", "C:\\Program Files\\x\\tool.exe"}));

    // With the ".exe" rule every prefix without an extension is also tried with it.
    fake.asked.clear();
    ASSERT_TRUE(SplitProgram(u"C:\\Program Files\\x\\tool a", fake.Exists(), program, args, true));
    EXPECT_EQ(ToUtf8(program), "C:\\Program Files\\x\\tool.exe");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"a"}));
    EXPECT_EQ(Utf8(fake.asked), (std::vector<std::string>{"C:\\Program", "C:\\Program.exe",
                                                          "C:\\Program Files\\x\\tool",
                                                          "C:\\Program Files\\x\\tool.exe"}));
    // Without it nothing is accepted: the first word is the program.
    ASSERT_TRUE(SplitProgram(u"C:\\Program Files\\x\\tool a", fake.Exists(), program, args, false));
    EXPECT_EQ(ToUtf8(program), "C:\\Program");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"Files\\x\\tool", "a"}));

    // A name with an extension is not given another one; the whole line is the last try.
    FakeFiles dotted{{u"C:\\a.b.exe", u"/opt/my  tool"}, {}};
    ASSERT_TRUE(SplitProgram(u"C:\\a.b x", dotted.Exists(), program, args, true));
    EXPECT_EQ(Utf8(dotted.asked), (std::vector<std::string>{"C:\\a.b", "C:\\a.b x"}));
    EXPECT_EQ(ToUtf8(program), "C:\\a.b");
    ASSERT_TRUE(SplitProgram(u"  /opt/my  tool  ", dotted.Exists(), program, args, false));
    EXPECT_EQ(ToUtf8(program), "/opt/my  tool");
    EXPECT_TRUE(args.empty());

    // The shortest accepted prefix wins.
    FakeFiles both{{u"C:\\Program", u"C:\\Program Files\\x.exe"}, {}};
    ASSERT_TRUE(SplitProgram(u"C:\\Program Files\\x.exe y", both.Exists(), program, args, true));
    EXPECT_EQ(ToUtf8(program), "C:\\Program");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"Files\\x.exe", "y"}));

    // A quoted program is taken as written, without asking; the rest follows the quote.
    FakeFiles none;
    ASSERT_TRUE(SplitProgram(u" \"C:\\x y\\t.exe\" -a \"b\\\"c\"", none.Exists(), program, args));
    EXPECT_EQ(ToUtf8(program), "C:\\x y\\t.exe");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"-a", "b\"c"}));
    ASSERT_TRUE(SplitProgram(u"\"C:\\x y\"z w", none.Exists(), program, args));
    EXPECT_EQ(ToUtf8(program), "C:\\x y");
    EXPECT_EQ(Utf8(args), (std::vector<std::string>{"z", "w"}));
    ASSERT_TRUE(SplitProgram(u"\"C:\\x y", none.Exists(), program, args));
    EXPECT_EQ(ToUtf8(program), "C:\\x y");
    EXPECT_TRUE(args.empty());
    EXPECT_TRUE(none.asked.empty());

    EXPECT_FALSE(SplitProgram(u" \t ", none.Exists(), program, args));
    EXPECT_FALSE(SplitProgram(u"\"\" x", none.Exists(), program, args));
    EXPECT_TRUE(program.empty());
}

TEST(Process, ReportsExitCodesAndStartErrors) {
    Process idle;
    uint32_t code = kNoCode;
    EXPECT_FALSE(idle.IsStarted());
    EXPECT_FALSE(idle.ExitCode(code));
    EXPECT_EQ(idle.Wait(0), WaitResult::Failed);
    EXPECT_FALSE(idle.Kill());

    EXPECT_EQ(RunToEnd(Child() + u" exit 0"), 0u);
    EXPECT_EQ(RunToEnd(Child() + u" exit 7"), 7u);
    EXPECT_EQ(RunToEnd(Child() + u" exit 255"), 255u);

    ScratchFolder scratch(kScratchPrefix);
    Process process;
    EXPECT_EQ(process.Start(Quoted(P(scratch / u"missing.exe")) + u" a"), 2);
    EXPECT_EQ(process.Start(scratch / u"missing.exe" + u" a"), 2);
    EXPECT_FALSE(process.IsStarted());
    EXPECT_EQ(process.Start(u" \t"), kErrorInvalidParameter);
    // A NUL would cut the line short and run another command than the one given.
    EXPECT_EQ(process.Start(Child() + WString(u" exit 3\0 exit 4", 15)), kErrorInvalidParameter);
    EXPECT_EQ(process.Start(Child() + u" exit 3", WString(u"a\0b", 3)), kErrorInvalidParameter);
    EXPECT_FALSE(process.IsStarted());
#ifndef _WIN32
    // Linux: a file that may not be run, and a folder, are access errors.
    std::ofstream(P(scratch / u"plain.txt")) << "#!/bin/sh\nexit 0\n";
    EXPECT_EQ(process.Start(Quoted(P(scratch / u"plain.txt"))), 5);
    EXPECT_EQ(process.Start(Quoted(P(scratch.Path()))), 5);
    // A bare name is searched in PATH; a signal shows as 128 + its number.
    EXPECT_EQ(RunToEnd(u"sh -c \"exit 3\""), 3u);
    EXPECT_EQ(RunToEnd(u"sh -c \"kill -TERM $$\""), 128u + 15u);
    // Only the signal counts as one, not an exit code of the same number.
    for (const bool bySignal : {true, false}) {
        Process ended;
        ASSERT_EQ(ended.Start(bySignal ? u"sh -c \"kill -TERM $$\"" : u"sh -c \"exit 143\""), 0);
        ASSERT_EQ(ended.Wait(kLongWaitMs), WaitResult::Exited);
        EXPECT_EQ(ended.EndedBySignal(), bySignal);
    }
#endif
}

TEST(Process, WaitTimesOutAndKillEndsTheProcess) {
    Process process;
    ASSERT_EQ(process.Start(Child() + u" sleep 30000"), 0);
    EXPECT_TRUE(process.IsStarted());
    const auto before = Clock::now();
    EXPECT_EQ(process.Wait(150), WaitResult::TimedOut);
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(140));
    EXPECT_EQ(process.Wait(0), WaitResult::TimedOut);
    uint32_t code = kNoCode;
    EXPECT_FALSE(process.ExitCode(code));
    // The object is busy while its process runs.
    EXPECT_EQ(process.Start(Child() + u" exit 0"), kErrorBusy);

    EXPECT_TRUE(process.Kill());
    EXPECT_EQ(process.Wait(kLongWaitMs), WaitResult::Exited);
    ASSERT_TRUE(process.ExitCode(code));
    EXPECT_EQ(code, kKilledCode);
    EXPECT_FALSE(process.Kill());
    EXPECT_EQ(process.Wait(0), WaitResult::Exited);

    // Once ended, the same object starts the next process.
    ASSERT_EQ(process.Start(Child() + u" exit 9"), 0);
    EXPECT_EQ(process.Wait(kLongWaitMs), WaitResult::Exited);
    ASSERT_TRUE(process.ExitCode(code));
    EXPECT_EQ(code, 9u);
}

TEST(Process, KillFromAnotherThreadEndsAWaitWithoutLimit) {
    for (int round = 0; round < 3; ++round) {
        Process process;
        ASSERT_EQ(process.Start(Child() + u" sleep 30000"), 0);
        bool killed = false;
        std::thread killer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50 * round));
            killed = process.Kill();
        });
        const auto before = Clock::now();
        const WaitResult result = process.Wait();
        killer.join();
        EXPECT_EQ(result, WaitResult::Exited);
        EXPECT_LT(Clock::now() - before, std::chrono::seconds(10));
        EXPECT_TRUE(killed);
        uint32_t code = kNoCode;
        EXPECT_TRUE(process.ExitCode(code));
        EXPECT_EQ(code, kKilledCode);
    }
}

TEST(Process, RunsInTheWorkingFolder) {
    ScratchFolder scratch(kScratchPrefix);
    const fs::path folder = P(scratch / u"work \u00f6\u20ac");
    fs::create_directories(folder);
    const fs::path out = P(scratch / u"pwd.txt");
    EXPECT_EQ(RunToEnd(Child() + u" pwd " + Quoted(out), W(folder)), 0u);
    const std::string written = ReadFileBytes(W(out));
    EXPECT_TRUE(fs::equivalent(fs::path(std::u8string(written.begin(), written.end())), folder))
        << written;

    // Without a working folder the child shares ours.
    EXPECT_EQ(RunToEnd(Child() + u" pwd " + Quoted(out)), 0u);
    const std::string inherited = ReadFileBytes(W(out));
    EXPECT_TRUE(fs::equivalent(fs::path(std::u8string(inherited.begin(), inherited.end())),
                               fs::current_path()))
        << inherited;

    Process process;
    EXPECT_EQ(process.Start(Child() + u" exit 0", scratch / u"no such folder"), kErrorDirectory);
    EXPECT_FALSE(process.IsStarted());

    // A relative program path is found from our folder, not from the working folder.
    const fs::path saved = fs::current_path();
    fs::current_path(ChildPath().parent_path());
    const WString relative = WString(u".") + kPathSeparator + FromUtf8(kChildName);
    EXPECT_EQ(RunToEnd(relative + u" pwd " + Quoted(out), W(folder)), 0u);
    fs::current_path(saved);
    const std::string third = ReadFileBytes(W(out));
    EXPECT_TRUE(fs::equivalent(fs::path(std::u8string(third.begin(), third.end())), folder))
        << third;
}

TEST(Process, PassesArgumentsAsTheChildReadsThem) {
    ScratchFolder scratch(kScratchPrefix);
    const fs::path out = P(scratch / u"args.txt");
    const WString arguments =
        u"plain \"with blank\" \"quote \\\" inside\" back\\slash \"trail\\\\\" \"\" "
        u"\u00e4\u20ac\U0001F600 a\"b c\"d \\\\\\\"x";
    const std::vector<std::string> expected = {"plain",
                                               "with blank",
                                               "quote \" inside",
                                               "back\\slash",
                                               "trail\\",
                                               "",
                                               "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80",
                                               "ab cd",
                                               "\\\"x"};
    ASSERT_EQ(Utf8(SplitArguments(arguments)), expected);
    EXPECT_EQ(RunToEnd(Child() + u" args " + Quoted(out) + u" " + arguments), 0u);
    EXPECT_EQ(ReadLines(out), expected);
}

TEST(Process, FindsAnUnquotedProgramPathWithBlanks) {
    ScratchFolder scratch(kScratchPrefix);
    const fs::path folder = P(scratch / u"tool folder");
    fs::create_directories(folder);
#ifdef _WIN32
    const fs::path copy = folder / u8"qo child.exe";
#else
    const fs::path copy = folder / u8"qo child";
    // A file named like the first prefix, but not a program, is passed over.
    std::ofstream(P(scratch / u"tool")) << "not a program\n";
#endif
    fs::copy_file(ChildPath(), copy);
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);

    EXPECT_EQ(RunToEnd(W(copy) + u" exit 5"), 5u);
    EXPECT_EQ(RunToEnd(Quoted(copy) + u" exit 6"), 6u);
    const fs::path out = P(scratch / u"args.txt");
    EXPECT_EQ(RunToEnd(W(copy) + u" args " + Quoted(out) + u" x \"y z\""), 0u);
    EXPECT_EQ(ReadLines(out), (std::vector<std::string>{"x", "y z"}));
#ifdef _WIN32
    // CreateProcess also tries each prefix with ".exe".
    EXPECT_EQ(RunToEnd(W(folder / u8"qo child") + u" exit 8"), 8u);
#endif
}

TEST(Process, MovesOwnership) {
    Process first;
    ASSERT_EQ(first.Start(Child() + u" exit 4"), 0);
    Process second(std::move(first));
    EXPECT_FALSE(first.IsStarted());
    EXPECT_EQ(first.Wait(0), WaitResult::Failed);
    EXPECT_TRUE(second.IsStarted());
    Process third;
    third = std::move(second);
    EXPECT_FALSE(second.IsStarted());
    EXPECT_EQ(third.Wait(kLongWaitMs), WaitResult::Exited);
    uint32_t code = kNoCode;
    ASSERT_TRUE(third.ExitCode(code));
    EXPECT_EQ(code, 4u);
}

#ifndef _WIN32
// True when this process has a child that ended and was not reaped.
bool HasZombieChild() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

// True when this process has no children at all (running or ended).
bool HasNoChildren() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
}

bool ProcessGone(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    const size_t close = stat.rfind(')');
    return !in || close == std::string::npos || stat.compare(close, 4, ") Z ") == 0;
}
#endif

TEST(Process, DestructorLeavesTheProcessRunningAndNoZombie) {
    ScratchFolder scratch(kScratchPrefix);
    const fs::path marker = P(scratch / u"done");
    {
        Process process;
        ASSERT_EQ(process.Start(Child() + u" sleep 200 " + Quoted(marker)), 0);
    }
    EXPECT_TRUE(WaitForFile(marker));
#ifndef _WIN32
    // The abandoned process is reaped once it ends.
    EXPECT_TRUE(qo::test::WaitUntil(HasNoChildren));

    // One that has already ended is reaped by the destructor itself.
    {
        Process process;
        ASSERT_EQ(process.Start(Child() + u" exit 0"), 0);
        siginfo_t info{};
        ASSERT_EQ(waitid(P_ALL, 0, &info, WEXITED | WNOWAIT), 0);  // ended, not reaped
        EXPECT_TRUE(HasZombieChild());
    }
    EXPECT_FALSE(HasZombieChild());
    EXPECT_TRUE(HasNoChildren());
#endif
}

#ifndef _WIN32
TEST(Process, LinuxChildGetsItsOwnGroupQuietStdinAndNoStrayDescriptors) {
    ScratchFolder scratch(kScratchPrefix);
    const fs::path pidFile = P(scratch / u"pid");
    Process process;
    ASSERT_EQ(process.Start(u"sh -c \"sleep 30 & echo $! > '" + W(pidFile) + u"'; wait\""), 0);
    ASSERT_TRUE(WaitForFile(pidFile));
    std::string grandchild;
    qo::test::WaitUntil([&] { return static_cast<bool>(std::ifstream(pidFile) >> grandchild); });
    ASSERT_FALSE(grandchild.empty());
    EXPECT_FALSE(ProcessGone(grandchild));
    EXPECT_TRUE(process.Kill());
    EXPECT_EQ(process.Wait(kLongWaitMs), WaitResult::Exited);
    // The tool's own child went with it.
    EXPECT_TRUE(qo::test::WaitUntil([&] { return ProcessGone(grandchild); })) << grandchild;

    // stdin reads end of file at once instead of stopping on the terminal:
    // even with input waiting on our own stdin the tool does not see it.
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(write(input[1], "line\n", 5), 5);
    const int savedStdin = dup(0);
    ASSERT_GE(savedStdin, 0);
    dup2(input[0], 0);
    EXPECT_EQ(RunToEnd(u"sh -c \"if read x; then exit 1; else exit 9; fi\""), 9u);
    dup2(savedStdin, 0);
    close(savedStdin);
    close(input[0]);
    close(input[1]);

    // A descriptor we left inheritable does not reach the tool.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string check = "[ -e /proc/$$/fd/" + std::to_string(fds[1]) + " ] && exit 1; exit 0";
    EXPECT_EQ(RunToEnd(u"sh -c \"" + FromUtf8(check) + u"\""), 0u);
    close(fds[0]);
    close(fds[1]);
}
#endif

}  // namespace
}  // namespace platform
