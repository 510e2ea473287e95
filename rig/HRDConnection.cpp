#include "rig/HRDConnection.h"

#include "API/QsLog/QsLog.h"
#include "rig/bridge/HRDInterfaceAbi.h"

#include <QLibrary>
#include <QThread>

#include <string>

namespace {

QString fromWide(const wchar_t *pText)
{
    return pText ? QString::fromWCharArray(pText) : QString();
}

} // namespace

HRDConnection::~HRDConnection()
{
    close();
}

bool HRDConnection::open(const QString &qsAddress, quint16 uiPort, QString &qsError)
{
    qsError.clear();
    close();
    if (!m_pLibrary || !m_pLibrary->isLoaded() || QThread::currentThread()->isInterruptionRequested())
        return false;

    const auto getLastError =
        reinterpret_cast<HRDInterfaceGetLastErrorFn>(m_pLibrary->resolve("HRDInterfaceGetLastError"));
    if (!getLastError) {
        QLOG_ERROR() << "[HRD] Could not get HRDInterfaceGetLastError";
        return false;
    }

    const auto connectTo = reinterpret_cast<HRDInterfaceConnectFn>(m_pLibrary->resolve("HRDInterfaceConnect"));
    const std::wstring wsAddress = qsAddress.toStdWString();
    if (!connectTo || !connectTo(wsAddress.c_str(), uiPort)) {
        qsError = fromWide(getLastError());
        if (m_bQuiet) {
            QLOG_DEBUG() << "[HRD]" << qsError;
        } else {
            QLOG_ERROR() << "[HRD]" << qsError;
        }
        return false;
    }
    m_bConnected = true;

    if (!m_pLibrary->resolve("HRDInterfaceDisconnect")) {
        QLOG_ERROR() << "[HRD] Could not get HRDInterfaceDisconnect";
        m_bConnected = false; // nothing to call
        return false;
    }
    if (!m_pLibrary->resolve("HRDInterfaceFreeString")) {
        QLOG_ERROR() << "[HRD] Could not get HRDInterfaceFreeString";
        close();
        return false;
    }

    QString qsContext;
    if (!sendMessage(QStringLiteral("Get Context"), qsContext)) {
        close();
        return false;
    }
    m_qsContext = qsContext;
    return true;
}

bool HRDConnection::sendMessage(const QString &qsCommand, QString &qsReply)
{
    qsReply.clear();
    // The program ends or reloads: each command may wait seconds for a slow
    // server, so none is started any more.
    if (QThread::currentThread()->isInterruptionRequested()) {
        QLOG_DEBUG() << "[HRD] Stopped before sending:" << qsCommand;
        return false;
    }
    const auto sendMessageFn = m_pLibrary
        ? reinterpret_cast<HRDInterfaceSendMessageFn>(m_pLibrary->resolve("HRDInterfaceSendMessage"))
        : nullptr;
    if (!sendMessageFn) {
        QLOG_ERROR() << "[HRD] Could not get HRDInterfaceSendMessage";
        return false;
    }

    // Button and dropdown names come from the server, so a command can be
    // longer than the buffer; cutting it would send a different command.
    const std::wstring wsCommand = qsCommand.toStdWString();
    if (wsCommand.size() >= static_cast<std::size_t>(kCommandBufferSize)) {
        QLOG_ERROR() << "[HRD] Command longer than" << kCommandBufferSize - 1 << "characters not sent:" << qsCommand;
        return false;
    }
    wchar_t buffer[kCommandBufferSize] = {};
    wsCommand.copy(buffer, wsCommand.size());

    QLOG_DEBUG() << "[HRD] Sending command:" << qsCommand;
    qsReply = fromWide(sendMessageFn(buffer));
    QLOG_DEBUG() << "[HRD] Command result:" << qsReply;
    return true;
}

bool HRDConnection::send(const QString &qsVerb, QString &qsReply)
{
    return sendMessage(QLatin1Char('[') + m_qsContext + QLatin1String("] ") + qsVerb, qsReply);
}

void HRDConnection::close()
{
    if (!m_bConnected)
        return;
    m_bConnected = false;
    m_qsContext.clear();
    const auto disconnectFn = reinterpret_cast<HRDInterfaceDisconnectFn>(m_pLibrary->resolve("HRDInterfaceDisconnect"));
    if (disconnectFn)
        disconnectFn();
}
