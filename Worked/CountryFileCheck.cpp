#include "CountryFileCheck.h"

#include "CountryFile.h"

#include <QCoreApplication>

bool CountryFileCheck::isComplete(const CountryFile &file, QString *pWhy)
{
    const CountryFile::Shape &shape = file.shape();
    QString qsWhy;
    if (shape.iRecords < kMinRecords) {
        qsWhy = QCoreApplication::translate("CountryFileCheck", "%1 country records, at least %2 expected")
                    .arg(shape.iRecords)
                    .arg(kMinRecords);
    } else if (file.entries().size() < kMinEntries) {
        qsWhy = QCoreApplication::translate("CountryFileCheck", "%1 prefix entries, at least %2 expected")
                    .arg(file.entries().size())
                    .arg(kMinEntries);
    } else if (shape.iMalformedRecords > 0) {
        qsWhy =
            QCoreApplication::translate("CountryFileCheck", "%1 record lines without their eight fields, first \"%2\"")
                .arg(shape.iMalformedRecords)
                .arg(shape.qsFirstMalformed);
    } else if (shape.iOpenRecords > 0) {
        qsWhy = QCoreApplication::translate("CountryFileCheck", "%1 prefix lists not terminated by ';'")
                    .arg(shape.iOpenRecords);
    }
    if (pWhy)
        *pWhy = qsWhy;
    return qsWhy.isEmpty();
}
