// The role registry and the portable parts of child processes.
#include "support/child_process.h"

#include <cstring>
#include <map>

#include "platform/platform.h"

namespace {

std::map<std::string, ChildRole>& roles() {
    static std::map<std::string, ChildRole> registry;
    return registry;
}

}  // namespace

bool registerChildRole(const char* name, ChildRole role) {
    roles()[name] = role;
    return true;
}

int runChildRoleIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--child-role") != 0) return -1;
    const auto found = roles().find(argv[2]);
    if (found == roles().end()) return 125;
    return found->second(std::vector<std::string>(argv + 3, argv + argc));
}

bool waitForFile(const WideString& path, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        if (platform::pathExists(path)) return true;
        platform::waitPumping(20, 0);
    }
    return false;
}
