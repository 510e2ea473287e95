// A rig-control interface library that lacks HRDInterfaceFreeString, for the
// test of a library with a missing export. It counts its calls so the test
// can see what the program did with it.

#include <atomic>
#include <cstdint>

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::atomic<int> g_iConnects {0};
std::atomic<int> g_iDisconnects {0};
std::atomic<int> g_iMessages {0};
} // namespace

PARTIAL_EXPORT bool HRDInterfaceConnect(const wchar_t *, std::uint16_t)
{
    ++g_iConnects;
    return true;
}

PARTIAL_EXPORT void HRDInterfaceDisconnect()
{
    ++g_iDisconnects;
}

PARTIAL_EXPORT const wchar_t *HRDInterfaceSendMessage(const wchar_t *)
{
    ++g_iMessages;
    return L"1";
}

PARTIAL_EXPORT const wchar_t *HRDInterfaceGetLastError()
{
    return L"";
}

PARTIAL_EXPORT int partialCallCount(int iWhich)
{
    return iWhich == 0 ? g_iConnects.load() : iWhich == 1 ? g_iDisconnects.load() : g_iMessages.load();
}
