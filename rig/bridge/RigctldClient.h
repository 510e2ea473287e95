#ifndef KELVANE_RIGCTLDCLIENT_H
#define KELVANE_RIGCTLDCLIENT_H

#include <cstdint>
#include <string>
#include <vector>

// One TCP connection to rigctld, speaking its extended ("+") protocol, in
// which every command's answer ends with an "RPRT n" line. Plain POSIX
// sockets, so that the library carries no Qt and none of the app's globals.
// Every wait has a deadline: a daemon that stops answering costs at most
// kReplyTimeoutMs per command and never blocks the caller for good.
class RigctldClient
{
public:
    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr int kReplyTimeoutMs = 2000;
    // rigctld's longest answers (capability dumps) stay far below this; a
    // peer that sends more is not rigctld.
    static constexpr std::size_t kMaxReplyBytes = 64 * 1024;
    static constexpr const char *kClosedByPeer = "rigctld closed the connection";

    RigctldClient() = default;
    ~RigctldClient();
    RigctldClient(const RigctldClient &) = delete;
    RigctldClient &operator=(const RigctldClient &) = delete;

    bool connectTo(const std::string &sHost, std::uint16_t uiPort, std::string &sError);
    void disconnect();
    bool isConnected() const { return m_fd >= 0; }

    // Sends "+" + sCommand and collects the answer lines before the RPRT
    // line (the first one echoes the command's long name). Returns false with
    // sError on a time-out or a lost connection; the connection is then
    // closed, since a late answer would be taken for the next command's.
    bool transact(const std::string &sCommand, std::vector<std::string> &lines, int &iReport, std::string &sError);

private:
    bool writeAll(const std::string &sData, long long llDeadlineMs, std::string &sError);
    bool readLine(std::string &sLine, long long llDeadlineMs, std::string &sError);
    bool fail(const std::string &sWhat, std::string &sError);

    int m_fd = -1;
    std::string m_buffer;
};

#endif // KELVANE_RIGCTLDCLIENT_H
