// The ADIF reader on arbitrary bytes, as a logging program's UDP report or a
// damaged file brings them.
//
// Checks that the records do not depend on how the bytes arrive (all at
// once, or cut where the first byte of the input says), and that the reader
// never holds much more than one value beyond what it was given at once.

#include "FuzzSupport.h"

#include "log/AdifReader.h"

namespace {

QList<AdifRecord> readCut(const QByteArray &baInput, qsizetype iPiece, qsizetype *piPeak)
{
    AdifReader reader;
    QList<AdifRecord> records;
    for (qsizetype i = 0; i < baInput.size(); i += iPiece) {
        reader.feed(baInput.mid(i, iPiece));
        records += reader.takeRecords();
    }
    reader.finish();
    *piPeak = reader.peakBufferedBytes();
    return records + reader.takeRecords();
}

QByteArray describe(const QList<AdifRecord> &records)
{
    QByteArray baText;
    for (const AdifRecord &record : records) {
        baText += QByteArray::number(record.number) + (record.problem.isEmpty() ? " ok" : " bad");
        for (const QString &qsValue : record.fields)
            baText += '|' + qsValue.toUtf8();
        baText += '\n';
    }
    return baText;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t uiSize)
{
    const QByteArray baInput(reinterpret_cast<const char *>(pData), qsizetype(uiSize));
    const qsizetype iPiece = baInput.isEmpty() ? 1 : qsizetype(uchar(baInput.at(0)) % 16) + 1;
    qsizetype iWholePeak = 0;
    qsizetype iCutPeak = 0;
    const QByteArray baWhole = describe(readCut(baInput, qMax<qsizetype>(1, baInput.size()), &iWholePeak));
    const QByteArray baCut = describe(readCut(baInput, iPiece, &iCutPeak));
    if (baWhole != baCut)
        FuzzSupport::fail("records that depend on how the bytes arrive", baWhole + "--\n" + baCut);
    if (iCutPeak > iPiece + AdifReader::kMaxValueBytes * 4 + 128)
        FuzzSupport::fail("a reader that holds more than one value", QByteArray::number(iCutPeak));
    return 0;
}
