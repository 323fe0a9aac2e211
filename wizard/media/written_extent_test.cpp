#include "wizard/media/written_extent.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fstream>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wizard {
namespace {

using qo::test::ShellPath;

// Disks made by the real tools (sfdisk, mkfs.fat, mcopy): the extent ends in
// the cluster that holds the last file's last byte, found by its content.
TEST(WrittenExtent, EndsWithTheLastClusterInUse) {
    qo::test::ScratchFolder scratch;
    const std::string disk = ShellPath(scratch / u"disk.img");
    const std::string marker = "THE LAST BYTES OF THE LAST FILE";
    const struct {
        const char* name;
        std::string make;  // shell commands that make the disk
        bool found;
    } cases[] = {
        {"FAT32 volume with files",
         "truncate -s 48M " + disk + " && echo 'start=2048, type=b' | sfdisk -q " + disk +
             " && mkfs.fat -F 32 -s 1 --offset 2048 " + disk +
             " >/dev/null && head -c 100000 /dev/urandom > f && printf '" + marker +
             "' >> f && echo small > s && mcopy -i " + disk + "@@1M s f ::/",
         true},
        {"partition without a file system",
         "truncate -s 48M " + disk + " && echo 'start=2048, type=b' | sfdisk -q " + disk, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(qo::test::Shell("cd " + ShellPath(scratch.Path()) + " && rm -f " + disk +
                                  " && MTOOLS_SKIP_CHECK=1 " + c.make),
                  "");
        std::ifstream in(platform::ToUtf8(scratch / u"disk.img"), std::ios::binary);
        const VolumeReader read = [&](uint64_t offset, std::span<uint8_t> out) {
            in.seekg(static_cast<std::streamoff>(offset));
            return !!in.read(reinterpret_cast<char*>(out.data()), std::ssize(out));
        };
        uint64_t end = 0;
        ASSERT_EQ(WrittenExtent(read, 48 << 20, end), c.found);
        if (c.found) {
            const uint64_t last = std::stoull(qo::test::Shell("LC_ALL=C grep -obaF '" + marker +
                                                              "' " + disk + " | cut -d: -f1")) +
                                  marker.size();
            EXPECT_GE(end, last);
            EXPECT_LT(end - last, 512u);  // one-sector clusters
            EXPECT_EQ(end % 512, 0u);
        }
    }
}

}  // namespace
}  // namespace wizard
#endif
