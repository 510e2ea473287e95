// One UDP datagram as a program that logs QSOs would send it.

#include "FuzzSupport.h"

#include "log/WsjtxListener.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    const QByteArray baDatagram(reinterpret_cast<const char *>(pData), qsizetype(uiSize));
    const WsjtxListener::Message message = WsjtxListener::parseDatagram(baDatagram);
    if (message.kind == WsjtxListener::Message::LoggedAdif
        && (message.qbaAdif.isEmpty() || message.qbaAdif.size() > baDatagram.size()))
        FuzzSupport::fail("an ADIF text that the datagram cannot hold", baDatagram);
    if (message.kind == WsjtxListener::Message::QsoLogged
        && (!message.qdtOn.isValid() || message.qdtOn.timeSpec() != Qt::UTC))
        FuzzSupport::fail("a QSO without a valid UTC time", baDatagram);
    if (message.kind == WsjtxListener::Message::Malformed && message.qsWhy.isEmpty())
        FuzzSupport::fail("a datagram dropped without a reason", baDatagram);
    return 0;
}
