// qo_digest sha512|md5 FILE...: prints "<digest text>  <file>" for each file,
// computed as the updater computes it, like sha512sum and md5sum do (but in
// upper case). Exit status 1 when a file could not be hashed.
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/text.h"
#include "updater/verify/digest.h"

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "sha512") != 0 && std::strcmp(argv[1], "md5") != 0)) {
        std::fprintf(stderr, "usage: qo_digest sha512|md5 FILE...\n");
        return 64;
    }
    const int algorithm = std::strcmp(argv[1], "sha512") == 0 ? updater::kSha512 : updater::kMd5;
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<uint8_t> digest;
        if (updater::ComputeFileDigest(platform::FromUtf8(argv[i]), algorithm, digest) !=
            updater::DigestResult::Ok) {
            std::fprintf(stderr, "qo_digest: %s: cannot be read\n", argv[i]);
            status = 1;
            continue;
        }
        std::printf("%s  %s\n", platform::ToUtf8(updater::DigestText(digest)).c_str(), argv[i]);
    }
    return status;
}
