// The exports of the rig-control interface library, implemented on rigctld.

#include "HRDInterfaceAbi.h"
#include "RigctldBridge.h"

#include <string>

#define HRD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Each calling thread has its own connection and its own reply buffers, so
// the tune thread and a frequency read on the GUI thread never share a
// socket or overwrite each other's replies.
struct ThreadState
{
    RigctldBridge bridge;
    std::wstring wsReply;
    std::wstring wsLastError;
};

ThreadState &state()
{
    thread_local ThreadState threadState;
    return threadState;
}

// Command texts and addresses are printable ASCII; anything else (a line
// feed above all) must never reach rigctld.
bool toAscii(const wchar_t *pText, std::string &sText)
{
    sText.clear();
    if (!pText)
        return false;
    for (; *pText; ++pText) {
        if (*pText < 0x20 || *pText > 0x7e)
            return false;
        sText.push_back(static_cast<char>(*pText));
    }
    return true;
}

// Our texts are ASCII; a system error text in another locale is read as
// Latin-1 rather than sign-extended into invalid characters.
std::wstring toWide(const std::string &sText)
{
    std::wstring wsText;
    wsText.reserve(sText.size());
    for (const unsigned char c : sText)
        wsText.push_back(static_cast<wchar_t>(c));
    return wsText;
}

const wchar_t *keepError(ThreadState &threadState)
{
    threadState.wsLastError = toWide(threadState.bridge.lastError());
    return threadState.wsLastError.c_str();
}

} // namespace

HRD_EXPORT bool HRDInterfaceConnect(const wchar_t *pAddress, std::uint16_t uiPort)
{
    ThreadState &threadState = state();
    std::string sHost;
    if (!toAscii(pAddress, sHost) || sHost.empty()) {
        threadState.bridge.disconnect();
        threadState.wsLastError = L"Invalid rigctld address";
        return false;
    }
    const bool bConnected = threadState.bridge.connectTo(sHost, uiPort);
    threadState.wsLastError = toWide(threadState.bridge.lastError());
    return bConnected;
}

HRD_EXPORT void HRDInterfaceDisconnect()
{
    state().bridge.disconnect();
}

HRD_EXPORT const wchar_t *HRDInterfaceSendMessage(const wchar_t *pMessage)
{
    ThreadState &threadState = state();
    std::string sMessage;
    if (!toAscii(pMessage, sMessage)) {
        threadState.wsLastError = L"Command contains characters other than printable ASCII";
        threadState.wsReply = L"ERROR: " + threadState.wsLastError;
    } else {
        threadState.wsReply = toWide(threadState.bridge.answer(sMessage));
        keepError(threadState);
    }
    return threadState.wsReply.c_str();
}

HRD_EXPORT const wchar_t *HRDInterfaceGetLastError()
{
    return state().wsLastError.c_str();
}

// The strings handed out are the thread's own buffers, reused by its next
// call; there is nothing to free.
HRD_EXPORT void HRDInterfaceFreeString(const wchar_t *)
{
}
