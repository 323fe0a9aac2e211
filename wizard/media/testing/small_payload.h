// Test helper: a program folder (prog/ in a scratch folder) with a small
// payload that real USB and ISO builds take: a kernel stand-in, a boot-loader
// configuration, one scheme, the system's syslinux and its mbr.bin, ISOLINUX's
// isolinux.bin, a 1 MiB stand-in for the UEFI image, the SPARC boot block,
// and the system's xorrisofs as the mastering tool. Test thread.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wizard::testing {

inline platform::WString MakeSmallPayload(const qo::test::ScratchFolder& scratch) {
    scratch.Write(u"prog/common/vmlinuz", "kernel");
    scratch.Write(u"prog/common/efi/boot.img", std::string(1 << 20, '\0'));
    scratch.Write(u"prog/flash/syslinux.cfg", "DEFAULT quelix");
    scratch.Write(u"prog/boot/isofs.b", std::string(512, '\0'));
    scratch.Write(u"prog/schemes/zero_fill.sch", "; zeros\n[1-pass zero fill]\n1. zero\n");
    const platform::WString program = scratch / u"prog";
    const std::string folder = platform::ToUtf8(program);
    EXPECT_EQ(qo::test::Shell("ln -s \"$(command -v syslinux)\" '" + folder +
                              "/syslinux' && ln -s \"$(command -v xorrisofs)\" '" + folder +
                              "/mkisofs' && cp /usr/lib/syslinux/mbr/mbr.bin '" + folder +
                              "/' && mkdir -p '" + folder +
                              "/iso' && cp /usr/lib/ISOLINUX/isolinux.bin '" + folder + "/iso/'"),
              "");
    return program;
}

}  // namespace wizard::testing
