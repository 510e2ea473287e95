#include "ui/SpotModel.h"

#include "cluster/Spot.h"

#include <QPixmap>

SpotModel::SpotModel(QObject *parent) : QStandardItemModel(0, ColumnCount, parent)
{
    setHorizontalHeaderLabels({tr("Date"), tr("UTC"), tr("Spotter"), tr("Frequency"), tr("DX"), tr("Country"),
                               tr("Comment"), QString()});
}

void SpotModel::insertSpot(const Spot &spot, quint16 uiMaxRows)
{
    // The row goes in with its cells already filled: one insertion for the
    // view to take in per spot, not an empty row and then eight changes.
    const QString texts[] = {spot.date(), spot.time(), spot.spotter(), spot.frequency(),
                             spot.dxCall(), spot.country(), spot.comment()};
    const bool bColor = spot.alertFlags().testFlag(AlertFlag::Color);
    const QBrush background = bColor ? QBrush(spot.alertColor()) : QBrush();
    QList<QStandardItem *> items;
    items.reserve(ColumnCount);
    for (const QString &qsText : texts) {
        auto *pItem = new QStandardItem(qsText);
        if (bColor)
            pItem->setBackground(background);
        items.append(pItem);
    }
    if (spot.alertFlags().testFlag(AlertFlag::Icon)) {
        // An unreadable file gives an empty pixmap: the cell stays empty.
        auto *pItem = new QStandardItem;
        pItem->setData(QIcon(QPixmap(spot.iconFile())), Qt::DecorationRole);
        items.append(pItem);
    }
    insertRow(0, items);
    if (rowCount() > uiMaxRows)
        removeRow(uiMaxRows);
}

QString SpotModel::balloonText(const Spot &spot)
{
    QString qsText = tr("Spotter: ") + spot.spotter() + tr("\nFrequency: ") + spot.frequency()
                     + tr("\nCountry: ") + spot.country();
    const QString &qsComment = spot.comment();
    const bool bBlank = std::all_of(qsComment.cbegin(), qsComment.cend(),
                                    [](QChar c) { return c == QLatin1Char(' '); });
    if (!bBlank)
        qsText += tr("\nComment: ") + qsComment;
    return qsText;
}
