#include "wizard/app/cli/file_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testsupport/scratch_folder.h"

namespace wizard::cli {
namespace {

namespace fs = std::filesystem;

TEST(FileManager, ImagePathsBecomeFileUris) {
    EXPECT_EQ(FileUri("/tmp/quelixcd.iso"), "file:///tmp/quelixcd.iso");
    EXPECT_EQ(FileUri("/home/a b/\"x\";$(rm)/\xC3\xBC.iso"),
              "file:///home/a%20b/%22x%22%3B%24%28rm%29/%C3%BC.iso");
}

// A stand-in dbus-send on PATH that records its arguments and answers as told.
class FakeBus {
  public:
    explicit FakeBus(int exitCode) {
        const fs::path tool = dir_ / "dbus-send";
        std::ofstream(tool) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (dir_ / "args").string()
                            << "'\nexit " << exitCode << "\n";
        ::chmod(tool.c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
    }
    ~FakeBus() { ::setenv("PATH", oldPath_.c_str(), 1); }
    std::string Args() const { return qo::test::ReadFileBytes(scratch_ / u"args"); }

  private:
    qo::test::ScratchFolder scratch_{u"qo-bus"};
    fs::path dir_{scratch_.Path()};
    std::string oldPath_;
};

TEST(FileManager, AsksTheFileManagerOverTheSessionBusAndReportsItsAnswer) {
    {
        FakeBus bus(0);
        EXPECT_TRUE(ShowInFileManager("/tmp/out dir/quelixcd.iso"));
        const std::string args = bus.Args();
        EXPECT_NE(args.find("--dest=org.freedesktop.FileManager1\n"), std::string::npos) << args;
        EXPECT_NE(args.find("org.freedesktop.FileManager1.ShowItems\n"), std::string::npos);
        EXPECT_NE(args.find("array:string:file:///tmp/out%20dir/quelixcd.iso\n"), std::string::npos)
            << args;
    }
    {
        FakeBus bus(1);  // no file manager on the bus
        EXPECT_FALSE(ShowInFileManager("/tmp/quelixcd.iso"));
    }
    EXPECT_FALSE(ShowInFileManager("relative/quelixcd.iso"));
}

}  // namespace
}  // namespace wizard::cli
