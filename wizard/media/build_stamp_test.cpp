#include "wizard/media/build_stamp.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

TEST(BuildStamp, VolumeDatesAreUtcAndSerialsFollowTheTime) {
    EXPECT_EQ(VolumeDateText(0), "1970010100000000");
    EXPECT_EQ(VolumeDateText(951782399), "2000022823595900");  // the day before a leap day
    EXPECT_EQ(VolumeDateText(4294967295u), "2106020706281500");

    const BuildStamp a{1700000000}, b{1700000001};
    EXPECT_EQ(SerialNumber(a, StampSerial::VolumeSerial),
              SerialNumber(a, StampSerial::VolumeSerial));
    EXPECT_NE(SerialNumber(a, StampSerial::VolumeSerial),
              SerialNumber(a, StampSerial::DiskSignature));
    EXPECT_NE(SerialNumber(a, StampSerial::VolumeSerial),
              SerialNumber(b, StampSerial::VolumeSerial));
    EXPECT_NE(SerialNumber(BuildStamp{0}, StampSerial::DiskSignature), 0u);
}

}  // namespace
}  // namespace wizard
