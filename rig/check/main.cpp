// Loads a rig-control library and resolves the entry points the program
// calls, in a process of its own: a damaged library that faults in the
// loader, or whose constructors crash or hang, takes only this process down.
// Exit status 0 when the library is usable; otherwise the reason on stderr.

#include "rig/bridge/HRDInterfaceAbi.h"

#include <cstdio>
#include <dlfcn.h>

namespace {
constexpr const char *kEntryPoints[] = {"HRDInterfaceConnect", "HRDInterfaceDisconnect", "HRDInterfaceSendMessage",
                                        "HRDInterfaceGetLastError", "HRDInterfaceFreeString"};
constexpr int kUsage = 2;
constexpr int kNotLoaded = 3;
constexpr int kNoEntryPoint = 4;
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: kelvane-rigcheck LIBRARY\n", stderr);
        return kUsage;
    }
    void *pLibrary = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!pLibrary) {
        const char *pError = ::dlerror();
        std::fprintf(stderr, "%s\n", pError ? pError : "cannot be loaded");
        return kNotLoaded;
    }
    for (const char *pName : kEntryPoints) {
        if (!::dlsym(pLibrary, pName)) {
            std::fprintf(stderr, "it has no entry point %s: not a rig-control library\n", pName);
            return kNoEntryPoint;
        }
    }
    // No dlclose: a library's destructors are not ours to test, the process ends here.
    return 0;
}
