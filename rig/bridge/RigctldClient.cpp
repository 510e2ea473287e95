#include "RigctldClient.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int remainingMs(long long llDeadlineMs)
{
    const long long llLeft = llDeadlineMs - nowMs();
    return llLeft > 0 ? static_cast<int>(llLeft) : 0;
}

// Waits until fd is ready for the events, retrying after signals. Returns
// 1 when ready, 0 on time-out, -1 on error.
int waitFor(int fd, short events, long long llDeadlineMs)
{
    for (;;) {
        pollfd pfd {fd, events, 0};
        const int iResult = ::poll(&pfd, 1, remainingMs(llDeadlineMs));
        if (iResult < 0 && errno == EINTR)
            continue;
        return iResult;
    }
}

bool connectOne(const addrinfo *pAddress, long long llDeadlineMs, int &fd, std::string &sReason)
{
    fd = ::socket(pAddress->ai_family, pAddress->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, pAddress->ai_protocol);
    if (fd < 0) {
        sReason = std::strerror(errno);
        return false;
    }
    if (::connect(fd, pAddress->ai_addr, pAddress->ai_addrlen) == 0)
        return true;
    if (errno == EINPROGRESS) {
        const int iReady = waitFor(fd, POLLOUT, llDeadlineMs);
        int iSocketError = 0;
        socklen_t len = sizeof iSocketError;
        if (iReady > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &iSocketError, &len) == 0 && iSocketError == 0)
            return true;
        sReason = iReady == 0 ? "connection timed out" : std::strerror(iSocketError ? iSocketError : errno);
    } else {
        sReason = std::strerror(errno);
    }
    ::close(fd);
    fd = -1;
    return false;
}

} // namespace

RigctldClient::~RigctldClient()
{
    disconnect();
}

bool RigctldClient::connectTo(const std::string &sHost, std::uint16_t uiPort, std::string &sError)
{
    disconnect();
    const std::string sWhere = "rigctld at " + sHost + ":" + std::to_string(uiPort);

    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *pAddresses = nullptr;
    const int iLookup = ::getaddrinfo(sHost.c_str(), std::to_string(uiPort).c_str(), &hints, &pAddresses);
    if (iLookup != 0) {
        sError = "Could not find " + sWhere + ": " + ::gai_strerror(iLookup);
        return false;
    }

    const long long llDeadline = nowMs() + kConnectTimeoutMs;
    std::string sReason = "no address";
    for (const addrinfo *p = pAddresses; p && m_fd < 0; p = p->ai_next) {
        int fd = -1;
        if (connectOne(p, llDeadline, fd, sReason))
            m_fd = fd;
    }
    ::freeaddrinfo(pAddresses);
    if (m_fd < 0) {
        sError = "Could not connect to " + sWhere + ": " + sReason
            + ". Is rigctld running (rigctld -m <model> -r <port> -t " + std::to_string(uiPort) + ")?";
        return false;
    }
    // Commands are single short lines, each waiting for its answer.
    const int iOn = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &iOn, sizeof iOn);
    return true;
}

void RigctldClient::disconnect()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
}

bool RigctldClient::fail(const std::string &sWhat, std::string &sError)
{
    sError = sWhat;
    disconnect();
    return false;
}

bool RigctldClient::writeAll(const std::string &sData, long long llDeadlineMs, std::string &sError)
{
    std::size_t uiDone = 0;
    while (uiDone < sData.size()) {
        const ssize_t iWritten = ::send(m_fd, sData.data() + uiDone, sData.size() - uiDone, MSG_NOSIGNAL);
        if (iWritten > 0) {
            uiDone += static_cast<std::size_t>(iWritten);
            continue;
        }
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(m_fd, POLLOUT, llDeadlineMs) > 0)
                continue;
            return fail("rigctld does not accept commands (time-out)", sError);
        }
        return fail(std::string("Lost the connection to rigctld: ") + std::strerror(errno), sError);
    }
    return true;
}

bool RigctldClient::readLine(std::string &sLine, long long llDeadlineMs, std::string &sError)
{
    for (;;) {
        const std::size_t uiEnd = m_buffer.find('\n');
        if (uiEnd != std::string::npos) {
            sLine.assign(m_buffer, 0, uiEnd);
            m_buffer.erase(0, uiEnd + 1);
            if (!sLine.empty() && sLine.back() == '\r')
                sLine.pop_back();
            return true;
        }
        if (m_buffer.size() > kMaxReplyBytes)
            return fail("rigctld sent an overlong answer", sError);
        const int iReady = waitFor(m_fd, POLLIN, llDeadlineMs);
        if (iReady == 0)
            return fail("rigctld did not answer in time", sError);
        if (iReady < 0)
            return fail(std::string("Lost the connection to rigctld: ") + std::strerror(errno), sError);
        char chunk[4096];
        const ssize_t iRead = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (iRead > 0)
            m_buffer.append(chunk, static_cast<std::size_t>(iRead));
        else if (iRead == 0)
            return fail(kClosedByPeer, sError);
        else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return fail(std::string("Lost the connection to rigctld: ") + std::strerror(errno), sError);
    }
}

bool RigctldClient::transact(const std::string &sCommand, std::vector<std::string> &lines, int &iReport,
                             std::string &sError)
{
    lines.clear();
    iReport = 0;
    if (m_fd < 0) {
        sError = "Not connected to rigctld";
        return false;
    }
    const long long llDeadline = nowMs() + kReplyTimeoutMs;
    if (!writeAll("+" + sCommand + "\n", llDeadline, sError))
        return false;

    std::size_t uiBytes = 0;
    for (;;) {
        std::string sLine;
        if (!readLine(sLine, llDeadline, sError))
            return false;
        if (sLine.compare(0, 5, "RPRT ") == 0) {
            iReport = std::atoi(sLine.c_str() + 5);
            return true;
        }
        uiBytes += sLine.size();
        if (uiBytes > kMaxReplyBytes)
            return fail("rigctld sent an overlong answer", sError);
        lines.push_back(sLine);
    }
}
