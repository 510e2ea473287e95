// Split detection on arbitrary comments. The input is the frequency text, a
// NUL, and the comment (all of it the comment when there is no NUL, with
// the frequency 14025.0).
//
// Checks that a transmit frequency is only ever given as a plain number of
// tenths of a kHz, and that it lies where the comment can have put it: at
// most 99.9 kHz from the spot, or 300 kHz for a QSX.

#include "FuzzSupport.h"

#include "rig/SplitDetector.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    const QByteArray baInput(reinterpret_cast<const char *>(pData), qsizetype(uiSize));
    const qsizetype iNul = baInput.indexOf('\0');
    const QString qsFrequency = iNul < 0 ? QStringLiteral("14025.0") : QString::fromLatin1(baInput.left(iNul));
    const QString qsComment = QString::fromLatin1(iNul < 0 ? baInput : baInput.mid(iNul + 1));

    const QString qsTransmit = SplitDetector::transmitFrequency(qsComment, qsFrequency);
    if (qsTransmit.isEmpty())
        return 0;

    bool bOk = false;
    const double dTenths = QString(qsTransmit).remove(QLatin1Char('.')).toDouble(&bOk);
    const double dRx = qsFrequency.trimmed().toDouble();
    if (!bOk || !std::isfinite(dTenths) || qsTransmit.count(QLatin1Char('.')) > 1
        || qsTransmit.startsWith(QLatin1Char('-')))
        FuzzSupport::fail("a transmit frequency that is no frequency", qsTransmit.toLatin1() + " for " + baInput);
    if (std::fabs(dTenths / 10.0 - dRx) > 300.0 + 0.1)
        FuzzSupport::fail("a transmit frequency far from the spot", qsTransmit.toLatin1() + " for " + baInput);
    return 0;
}
