// The system restart on Linux: "systemctl reboot".
#include "platform/process.h"
#include "updater/install/restart.h"

namespace updater {
namespace {

class SystemctlRestart : public SystemRestart {
  public:
    bool RequestRestart(void*) override {
        platform::Process process;
        if (process.Start(u"systemctl reboot") != 0 ||
            process.Wait(platform::kWaitForever) != platform::WaitResult::Exited) {
            return false;
        }
        uint32_t code = 1;
        return process.ExitCode(code) && code == 0;
    }
};

}  // namespace

SystemRestart& SystemRestarter() {
    static SystemctlRestart restart;
    return restart;
}

}  // namespace updater
