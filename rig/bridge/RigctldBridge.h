#ifndef KELVANE_RIGCTLDBRIDGE_H
#define KELVANE_RIGCTLDBRIDGE_H

#include "RigctldClient.h"

#include <cstdint>
#include <string>

// Answers the program's rig-control command texts ("[ctx] get frequency",
// "[ctx] set button-select VFO~B 1", ...) by talking to rigctld. The rig is
// presented as offering the buttons "VFO A", "VFO B" and "Split" and the
// dropdown "Mode" with the rig's own mode names.
//
// Nothing of a command text is passed to rigctld as it stands: every value
// is checked (digits for frequencies, letters for modes, a fixed set of
// buttons), since rigctld takes a line feed or a stray letter as a command
// of its own (one letter quits).
class RigctldBridge
{
public:
    bool connectTo(const std::string &sHost, std::uint16_t uiPort);
    void disconnect();

    // The reply text; failures answer "ERROR: " and the reason, which also
    // becomes the last error.
    std::string answer(const std::string &sMessage);
    const std::string &lastError() const { return m_sLastError; }

private:
    std::string fail(const std::string &sReason);
    std::string setCommand(const std::string &sRigctldCommand);
    bool query(const std::string &sRigctldCommand, std::vector<std::string> &lines);
    std::string getButton(const std::string &sButton);
    std::string setButton(const std::string &sButton, const std::string &sState);

    RigctldClient m_client;
    std::string m_sLastError;
};

#endif // KELVANE_RIGCTLDBRIDGE_H
