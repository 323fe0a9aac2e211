// The wizard's command line on Linux.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "qo_version.h"

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: mediawizard [-v]\n"
                 "  -v   show the program version\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcasecmp(argv[1], "-v") == 0) {
        std::printf("About Quelix Omnisweep Wizard\nVersion %s\n", QO_VERSION_TEXT);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc > 1) {
        std::fprintf(stderr, "mediawizard: unknown option '%s'\n", argv[1]);
        PrintUsage(stderr);
        return 2;
    }
    std::fprintf(stderr, "mediawizard: no medium was chosen; see --help\n");
    return 2;
}
