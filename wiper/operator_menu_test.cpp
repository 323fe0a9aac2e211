#include "wiper/operator_menu.h"

#include <gtest/gtest.h>

#include <sstream>

#include "wiper/share_mount.h"

namespace wiper {
namespace {

// Operator sessions typed line by line: what is chosen, with which schemes.
TEST(OperatorMenu, Sessions) {
    const struct {
        const char* input;
        bool locked;
        bool shell;
        MenuChoice choice;
        std::vector<int> schemes;  // per drive when wiped: the scheme; -2 not selected
        const char* shown;
    } cases[] = {
        {"2\n\n1\n", false, false, MenuChoice::Wipe, {-2, 0}, "Type the number of drives (1)"},
        {"1 2\n2 3\n\n2\n", false, false, MenuChoice::Wipe, {0, 2}, "sdb: Three"},
        {"1\n1\n", true, false, MenuChoice::Wipe, {0, -2}, "Wiping destroys everything"},
        {"1\n\n5\nq\n", false, false, MenuChoice::PowerOff, {-2, -2}, "anything else goes back"},
        {"9\n1,2\n2 9\n\n2\n", false, false, MenuChoice::Wipe, {0, 0}, "No such drive: 9"},
        {"", false, false, MenuChoice::PowerOff, {-2, -2}, "q to power off: "},
        {"s\n", false, true, MenuChoice::Shell, {-2, -2}, ", s for a shell: "},
        {"s\n", false, false, MenuChoice::PowerOff, {-2, -2}, "No such drive: s"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream out;
        std::vector<MenuEntry> entries(2);
        entries[0].drive.name = "sda";
        entries[1].drive.name = "sdb";
        entries[0].scheme = entries[1].scheme = 0;
        OperatorMenu menu(in, out, {"One", "Two", "Three"}, c.locked, c.shell);
        EXPECT_EQ(menu.Run(entries), c.choice) << c.input;
        for (size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(entries[i].selected ? entries[i].scheme : -2, c.schemes[i]) << c.input;
        EXPECT_NE(out.str().find(c.shown), std::string::npos) << c.input << out.str();
        if (c.locked) {
            EXPECT_EQ(out.str().find("another scheme"), std::string::npos);
        }
    }
    // A drive whose class has no scheme cannot be chosen.
    std::istringstream in("1\n\n");
    std::ostringstream out;
    std::vector<MenuEntry> entries(1);
    OperatorMenu menu(in, out, {"One"}, false, false);
    EXPECT_EQ(menu.Run(entries), MenuChoice::PowerOff);
    EXPECT_NE(out.str().find("(no scheme)"), std::string::npos);
    EXPECT_NE(out.str().find("A drive without a scheme is not wiped."), std::string::npos);
}

TEST(ShareMount, OptionsForTheSmbClient) {
    const HostResolver resolve = [](const std::string& host) -> std::string {
        if (host == "srv")
            return "192.0.2.7";
        return host.find_first_not_of("0123456789.") == std::string::npos ? host : "";
    };
    const struct {
        const char* share;
        const char* user;
        const char* password;
        const char* options;  // nullptr: refused
    } cases[] = {
        {"//10.0.2.2/rw", "QXTEST/qxshare", "S3cret, pw",
         "ip=10.0.2.2,username=qxshare,domain=QXTEST,password=S3cret,, pw"},
        {"//srv/wipe logs/sub", "admin", "", "ip=192.0.2.7,username=admin,password="},
        {"//srv/share", "", "ignored", "ip=192.0.2.7,guest"},
        {"srv/share", "a", "", nullptr},
        {"//srv", "a", "", nullptr},
        {"//srv/", "a", "", nullptr},
        {"///share", "a", "", nullptr},
        {"//unknown/share", "a", "", nullptr},
        {"//srv/share", "a,b", "", nullptr},
    };
    for (const auto& c : cases) {
        MountRequest request;
        std::string error;
        const bool ok = ShareMountRequest(c.share, c.user, c.password, resolve, request, error);
        EXPECT_EQ(ok, c.options != nullptr) << c.share << " " << error;
        if (!ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(request.source, c.share);
        EXPECT_EQ(request.type, "cifs");
        EXPECT_EQ(request.options, c.options);
    }
}

}  // namespace
}  // namespace wiper
