#include "RigctldBridge.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

constexpr const char *kButtons = "VFO A,VFO B,Split";
constexpr const char *kModeDropdown = "Mode";
constexpr std::size_t kMaxFrequencyDigits = 12;
constexpr std::size_t kMaxModeLength = 16;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::vector<std::string> words(const std::string &s)
{
    std::istringstream stream(s);
    std::vector<std::string> result;
    for (std::string sWord; stream >> sWord;)
        result.push_back(sWord);
    return result;
}

// Button names travel with "~" for their spaces ("VFO~A").
std::string buttonName(std::string s)
{
    std::replace(s.begin(), s.end(), '~', ' ');
    return lower(s);
}

bool allOf(const std::string &s, int (*pIs)(int))
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [pIs](unsigned char c) { return pIs(c) != 0; });
}

// The value of a "Key: value" answer line.
bool valueOf(const std::vector<std::string> &lines, const std::string &sKey, std::string &sValue)
{
    for (const std::string &sLine : lines) {
        if (sLine.compare(0, sKey.size() + 1, sKey + ":") == 0) {
            sValue = sLine.substr(sKey.size() + 1);
            sValue.erase(0, sValue.find_first_not_of(" \t"));
            return true;
        }
    }
    return false;
}

} // namespace

bool RigctldBridge::connectTo(const std::string &sHost, std::uint16_t uiPort)
{
    // rigctld now and then closes a fresh connection unanswered while it
    // still tears down the previous client's one, so a second try is due.
    for (int iAttempt = 0; iAttempt < 2; ++iAttempt) {
        m_sLastError.clear();
        if (!m_client.connectTo(sHost, uiPort, m_sLastError))
            return false;
        // Something else may listen on the port; only rigctld answers this.
        std::vector<std::string> lines;
        int iReport = 0;
        if (m_client.transact("f", lines, iReport, m_sLastError))
            return true;
        if (m_sLastError != RigctldClient::kClosedByPeer)
            break;
    }
    m_sLastError = "No answer from rigctld at " + sHost + ":" + std::to_string(uiPort) + " (" + m_sLastError + ")";
    return false;
}

void RigctldBridge::disconnect()
{
    m_client.disconnect();
}

std::string RigctldBridge::fail(const std::string &sReason)
{
    m_sLastError = sReason;
    return "ERROR: " + sReason;
}

bool RigctldBridge::query(const std::string &sRigctldCommand, std::vector<std::string> &lines)
{
    int iReport = 0;
    std::string sError;
    if (!m_client.transact(sRigctldCommand, lines, iReport, sError)) {
        m_sLastError = sError;
        return false;
    }
    if (iReport != 0) {
        m_sLastError = "rigctld refused \"" + sRigctldCommand + "\" (RPRT " + std::to_string(iReport) + ")";
        return false;
    }
    return true;
}

std::string RigctldBridge::setCommand(const std::string &sRigctldCommand)
{
    std::vector<std::string> lines;
    return query(sRigctldCommand, lines) ? "OK" : "ERROR: " + m_sLastError;
}

std::string RigctldBridge::getButton(const std::string &sButton)
{
    std::vector<std::string> lines;
    std::string sValue;
    if (sButton == "vfo a" || sButton == "vfo b") {
        if (!query("v", lines))
            return "ERROR: " + m_sLastError;
        valueOf(lines, "VFO", sValue);
        // Rigs with two receivers name their VFOs Main and Sub.
        const bool bA = sValue == "VFOA" || sValue == "Main" || sValue == "MainA";
        const bool bB = sValue == "VFOB" || sValue == "Sub" || sValue == "MainB";
        return (sButton == "vfo a" ? bA : bB) ? "1" : "0";
    }
    if (sButton == "split") {
        if (!query("s", lines))
            return "ERROR: " + m_sLastError;
        valueOf(lines, "Split", sValue);
        return sValue == "1" ? "1" : "0";
    }
    return fail("Unknown button \"" + sButton + "\"");
}

std::string RigctldBridge::setButton(const std::string &sButton, const std::string &sState)
{
    if (sState != "0" && sState != "1")
        return fail("Button state must be 0 or 1");
    const bool bOn = sState == "1";
    if (sButton == "vfo a" || sButton == "vfo b") {
        // A VFO button cannot be released: selecting the other one does that.
        if (!bOn)
            return "OK";
        return setCommand(sButton == "vfo a" ? "V VFOA" : "V VFOB");
    }
    if (sButton == "split")
        return setCommand(bOn ? "S 1 VFOB" : "S 0 VFOA");
    return fail("Unknown button \"" + sButton + "\"");
}

std::string RigctldBridge::answer(const std::string &sMessage)
{
    std::string sCommand = sMessage;
    if (!sCommand.empty() && sCommand.front() == '[') {
        const std::size_t uiClose = sCommand.find(']');
        sCommand.erase(0, uiClose == std::string::npos ? sCommand.size() : uiClose + 1);
    }
    const std::vector<std::string> w = words(sCommand);
    const std::string sVerb = w.size() >= 2 ? lower(w[0] + " " + w[1]) : lower(sCommand);

    if (!m_client.isConnected())
        return fail("Not connected to rigctld");

    if (sVerb == "get context" && w.size() == 2)
        return "1";
    if (sVerb == "get buttons" && w.size() == 2)
        return kButtons;
    if (sVerb == "get button-select" && w.size() == 3)
        return getButton(buttonName(w[2]));
    if (sVerb == "set button-select" && w.size() == 4)
        return setButton(buttonName(w[2]), w[3]);
    if (sVerb == "set frequency-hz" && w.size() == 3) {
        if (!allOf(w[2], ::isdigit) || w[2].size() > kMaxFrequencyDigits)
            return fail("Invalid frequency \"" + w[2] + "\"");
        return setCommand("F " + w[2]);
    }
    if (sVerb == "get frequency" && w.size() == 2) {
        std::vector<std::string> lines;
        std::string sValue;
        if (!query("f", lines))
            return "ERROR: " + m_sLastError;
        if (!valueOf(lines, "Frequency", sValue))
            return fail("rigctld reported no frequency");
        // Some rigctld versions write the hertz with decimals.
        const double dHz = std::strtod(sValue.c_str(), nullptr);
        if (!std::isfinite(dHz) || dHz < 0)
            return fail("rigctld reported the frequency \"" + sValue + "\"");
        return std::to_string(std::llround(dHz));
    }
    if (sVerb == "get dropdowns" && w.size() == 2)
        return kModeDropdown;
    if (sVerb == "get dropdown-list" && w.size() == 3) {
        if (lower(w[2]) != "{mode}")
            return fail("Unknown dropdown " + w[2]);
        std::vector<std::string> lines;
        if (!query("M ?", lines))
            return "ERROR: " + m_sLastError;
        std::string sList;
        for (const std::string &sLine : lines) {
            if (sLine.find(':') != std::string::npos)
                continue; // the echo of the command
            for (const std::string &sMode : words(sLine))
                sList += (sList.empty() ? "" : ",") + sMode;
        }
        return sList.empty() ? fail("rigctld reported no modes") : sList;
    }
    if (sVerb == "set dropdown" && w.size() == 5) {
        if (lower(w[2]) != "mode")
            return fail("Unknown dropdown " + w[2]);
        if (!allOf(w[3], ::isalnum) || w[3].size() > kMaxModeLength)
            return fail("Invalid mode \"" + w[3] + "\"");
        // Passband 0: the rig's normal width for the mode.
        return setCommand("M " + w[3] + " 0");
    }
    return fail("Unsupported command \"" + sCommand + "\"");
}
