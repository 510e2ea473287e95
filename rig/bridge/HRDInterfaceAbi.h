#ifndef KELVANE_HRDINTERFACEABI_H
#define KELVANE_HRDINTERFACEABI_H

// The C interface of the rig-control interface library, shared by the
// binding that loads it and by our own library that implements it on top of
// rigctld. Texts are NUL-terminated wchar_t strings (32-bit on Linux); the
// strings a function returns belong to the library and stay valid until the
// calling thread's next call into it.

#include <cstdint>

extern "C" {

using HRDInterfaceConnectFn = bool (*)(const wchar_t *pAddress, std::uint16_t uiPort);
using HRDInterfaceDisconnectFn = void (*)();
using HRDInterfaceSendMessageFn = const wchar_t *(*)(const wchar_t *pMessage);
using HRDInterfaceGetLastErrorFn = const wchar_t *(*)();
using HRDInterfaceFreeStringFn = void (*)(const wchar_t *pString);

} // extern "C"

#endif // KELVANE_HRDINTERFACEABI_H
