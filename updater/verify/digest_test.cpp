#include "updater/verify/digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/testing/message_recorder.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace updater {
namespace {

using platform::WString;
using qo::test::ScratchFolder;
using testing::MessageRecorder;

// Byte i of a pattern file.
char PatternByte(size_t i) {
    return static_cast<char>((i * 31 + (i >> 9)) & 0xFF);
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = PatternByte(i);
    return bytes;
}

// The pattern files' digests as sha512sum and md5sum print them (upper-cased).
// Around the multiples of SHA-512's 128-byte block, where its length field no
// longer fits the last block, and around the read buffer's size.
struct Expected {
    size_t size;
    const char16_t* sha512;
    const char16_t* md5;
};
const Expected kExpected[] = {
    {0,
     u"CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE"
     u"47D0D13C5D85F2B0FF8318D2877EEC2F63B931BD47417A81A538327AF927DA3E",
     u"D41D8CD98F00B204E9800998ECF8427E"},
    {1,
     u"B8244D028981D693AF7B456AF8EFA4CAD63D282E19FF14942C246E50D9351D22"
     u"704A802A71C3580B6370DE4CEB293C324A8423342557D4E5C38438F0E36910EE",
     u"93B885ADFE0DA089CDF634904FD59F71"},
    {111,
     u"805FDD59B337A8480ED53CE730AFB1192B47C1A83F60ABAC4A32A795896D0871"
     u"B2CA6F1A9ADEAF30FD76CA50B558991C31D50BA83F4077CACC1388908E371523",
     u"E955600D21E9ECA2274692B894ED5521"},
    {112,
     u"A9F77FB8E5DE7CDAF23F95C9F8B2DBF075E0C01A20A9670014EC7516644BA652"
     u"24261CD14C36740940B26C97152EA181ECE9504B52D953193C6B600140B4F3A5",
     u"85F94ED9011FCE97D614B2F95B1A2F6A"},
    {127,
     u"D67B2D3795C7C27C996D5D74347E57D8664FA56A84BE4965C218EB6AE628F4DD"
     u"7199A2C7380868E94F746BED312AF22D4093342F1B7930692F113ED52DDC3C1E",
     u"CEFF4EAD35E4221B1638AF4E2F8C61F9"},
    {128,
     u"9EF6A88ED8EEEEDCA566959A3C3A75C59134A4618A32264F4099AC87DBD87C4B"
     u"89E2F4D180DB5A52C3A3639A194477EEE297FC167041537D61A8D9D2190821CC",
     u"710E8D86231ECE9AAF37BA5D139D2939"},
    {129,
     u"32111CD23A6C17F71915A9CAD5E5A4380873967D423D377C45D9F7B9B89152F2"
     u"BE37BE4698E04660160578DA20AFAB36A32A717C978DED3742460346DC45C75B",
     u"E77386B196F7F30D56263EE7527F50C8"},
    {1048576,
     u"D37B696513E9FF99188A61EEC7FFFC39B64A84863413879F06F00A250C71AC66"
     u"90232FAE146FC29929AE7742E49638F621509084B636AFDD0C16398BC4BB6CD7",
     u"50EE2140F10534B815AA41DDFEE90E1F"},
    {1048577,
     u"EB302EABB5C6C58AB33FD96E6693C47734131FF9444DCAB6ED6EB51B38A4A738"
     u"D53738F4104161F0F937474256883C6805791253FC07EB8BF6E360737060BBF7",
     u"73492647E30EB6648A94054047E8D2B2"},
    {3145733,
     u"AD7118D7D3F66B2CB9C24C251B54D255756AAF14447CC5D01E569CCC69EC860B"
     u"6FFB564C00080C6DA7E00A2C689496CEFE73DBD59819067617EC339790FBE67F",
     u"E87ED2208232D7CCDBBB18F9DC5FD72A"},
};

#ifndef _WIN32
// The first word a command prints, upper-cased.
std::string ToolDigest(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {};
    char word[256] = {};
    const int read = std::fscanf(pipe, "%255s", word);
    pclose(pipe);
    std::string text = read == 1 ? word : "";
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// VmRSS or VmHWM of this process in KiB.
long MemoryKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}
#endif

TEST(Digest, FilesOfEverySizeDigestAsTheSystemToolsSay) {
    ScratchFolder folder;
    MessageRecorder messages;
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.size);
        const WString path =
            folder.Write(u"pattern-" + platform::FromUtf8(std::to_string(e.size)), Pattern(e.size));
        WString text;
        ASSERT_TRUE(FileDigestText(path, kSha512, text, 2048, messages));
        EXPECT_EQ(text, e.sha512);
        ASSERT_TRUE(FileDigestText(path, kMd5, text, 2048, messages));
        EXPECT_EQ(text, e.md5);
#ifndef _WIN32
        // The table is what the tools print for these very files.
        const std::string quoted = "'" + platform::ToUtf8(path) + "'";
        EXPECT_EQ(platform::FromUtf8(ToolDigest("sha512sum " + quoted)), e.sha512);
        EXPECT_EQ(platform::FromUtf8(ToolDigest("md5sum " + quoted)), e.md5);
#endif
    }
    EXPECT_TRUE(messages.shown.empty());

    // The engine fed in uneven pieces gives the same digest as the file.
    const std::string bytes = Pattern(kExpected[9].size);
    DigestEngine engine;
    std::vector<uint8_t> digest;
    for (int algorithm : {kSha512, kMd5}) {
        ASSERT_TRUE(engine.Start(algorithm));
        size_t at = 0;
        for (size_t piece = 1; at < bytes.size(); piece = piece * 3 + 1) {
            const size_t n = std::min(piece, bytes.size() - at);
            ASSERT_TRUE(engine.Update({reinterpret_cast<const uint8_t*>(bytes.data()) + at, n}));
            at += n;
        }
        ASSERT_TRUE(engine.Finish(digest));
        EXPECT_EQ(digest.size(), kDigestAlgorithms[static_cast<size_t>(algorithm)].digestBytes);
        EXPECT_EQ(DigestText(digest),
                  algorithm == kSha512 ? kExpected[9].sha512 : kExpected[9].md5);
    }
    // Finished, the engine takes nothing until it is started again.
    EXPECT_FALSE(engine.Update({}));
    EXPECT_FALSE(engine.Finish(digest));
    EXPECT_FALSE(engine.Start(2));
    EXPECT_FALSE(engine.Start(-1));

    // The text is cut to the capacity, as the list's buffers cut it.
    const WString path = folder / u"pattern-1";
    WString text = u"old";
    ASSERT_TRUE(FileDigestText(path, kMd5, text, 11, messages));
    EXPECT_EQ(text, u"93B885ADFE");
    ASSERT_TRUE(FileDigestText(path, kMd5, text, 1, messages));
    EXPECT_EQ(text, u"");
    EXPECT_EQ(DigestText(std::vector<uint8_t>{0x00, 0x0F, 0xA0, 0xFF}), u"000FA0FF");
}

TEST(Digest, FilesThatCannotBeReadAndBadAlgorithmsAreReported) {
    ScratchFolder folder;
    const WString file = folder.Write(u"installer.exe", "MZ");
    const WString missing = folder / u"missing.exe";
    struct Case {
        WString path;
        int algorithm;
        const char16_t* caption;
    };
    const std::vector<Case> cases{
        {missing, kSha512, u"Error in file mapping"},
        {folder.Path(), kMd5, u"Error in file mapping"},
        // The file is opened before the algorithm is looked at.
        {missing, 7, u"Error in file mapping"},
        {file, 2, u"Invalid hash algorithm number"},
        {file, -1, u"Invalid hash algorithm number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.path) + " " + std::to_string(c.algorithm));
        MessageRecorder messages;
        WString text = u"kept";
        EXPECT_FALSE(FileDigestText(c.path, c.algorithm, text, 256, messages));
        EXPECT_EQ(text, u"kept");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.path);
        EXPECT_EQ(messages.shown[0].caption, c.caption);
        EXPECT_EQ(messages.shown[0].style, kMessageErrorIcon);
    }
#ifndef _WIN32
    // A pipe is no file to hash: refused at once instead of waiting for a writer.
    const std::string fifo = platform::ToUtf8(folder / u"pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> digest;
    EXPECT_EQ(ComputeFileDigest(platform::FromUtf8(fifo), kSha512, digest),
              DigestResult::CannotRead);
#endif
}

#ifndef _WIN32
// Hashes path in a child process of the test and ends it: 0 when the digest is
// the expected one and the child's peak memory grew by less than 16 MiB. The
// child starts with the memory it had at the fork (or, re-run, with its own),
// so what earlier tests of this program used does not count.
[[noreturn]] void HashInChild(const WString& path, const WString& expected) {
    const long before = MemoryKiB("VmHWM");
    MessageRecorder messages;
    WString text;
    if (!FileDigestText(path, kSha512, text, 256, messages) || text != expected) {
        std::fprintf(stderr, "digest %s\n", platform::ToUtf8(text).c_str());
        std::_Exit(1);
    }
    const long grown = MemoryKiB("VmHWM") - before;
    if (grown >= 16 * 1024) {
        std::fprintf(stderr, "peak memory grew by %ld KiB\n", grown);
        std::_Exit(2);
    }
    std::_Exit(0);
}

// A sparse file of 5 GiB with a short tail, hashed with a fixed buffer: the
// memory of the process does not grow with the file.
TEST(Digest, AFiveGibibyteFileIsHashedAsAStream) {
    ScratchFolder folder;
    const WString path = folder / u"sparse.img";
    const uint64_t size = uint64_t{5} << 30;
    {
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out.seekp(static_cast<std::streamoff>(size - 16));
        out.write("Quelix Omnisweep", 16);
    }
    ASSERT_EQ(std::filesystem::file_size(std::filesystem::path(path)), size);
    // sha512sum of this file.
    const WString expected =
        u"82E3DE8B0933D848E5BB37D758F83FB6F3B7B7F7C9D131EA158B91CD346D594E"
        u"6E520257B3903DA12A298E47D1795BBD2009F0FADCF4EA6315C3A23A1E724BE5";
    EXPECT_EXIT(HashInChild(path, expected), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace updater
