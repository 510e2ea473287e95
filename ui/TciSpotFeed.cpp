#include "ui/TciSpotFeed.h"

#include "sharing/TciClient.h"
#include "ui/SpotBandProxy.h"
#include "ui/SpotModel.h"

#include <cmath>

TciSpotFeed::TciSpotFeed(SpotBandProxy *pRows, TciClient *pClient, QObject *parent)
    : QObject(parent), m_rows(pRows), m_model(qobject_cast<SpotModel *>(pRows->sourceModel())), m_client(pClient)
{
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(kSyncDelayMs);
    connect(&m_syncTimer, &QTimer::timeout, this, &TciSpotFeed::sync);
    connect(m_rows, &QAbstractItemModel::rowsInserted, this, &TciSpotFeed::scheduleSync);
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, &TciSpotFeed::scheduleSync);
    connect(m_rows, &QAbstractItemModel::dataChanged, this, &TciSpotFeed::scheduleSync);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &TciSpotFeed::scheduleSync);
    connect(m_rows, &QAbstractItemModel::layoutChanged, this, &TciSpotFeed::scheduleSync);
    // A fresh connection starts from a cleared panadapter.
    connect(m_client, &TciClient::connected, this, [this] {
        m_sent.clear();
        sync();
    });
    connect(m_client, &TciClient::disconnected, this, [this] { m_sent.clear(); });
}

void TciSpotFeed::setColors(bool bColorRows, const QColor &color)
{
    m_colorRows = bColorRows;
    m_color = color;
    scheduleSync();
}

void TciSpotFeed::scheduleSync()
{
    if (m_client->isConnected() && !m_syncTimer.isActive())
        m_syncTimer.start();
}

QString TciSpotFeed::commandForRow(int iModelRow) const
{
    const Spot &spot = m_model->spotAt(iModelRow);
    QColor color = m_color;
    if (m_colorRows) {
        if (spot.alertFlags().testFlag(AlertFlag::Color) && spot.alertColor().isValid()) {
            color = spot.alertColor();
        } else {
            const QColor needColor = SpotModel::needColor(m_model->needAt(iModelRow));
            if (needColor.isValid())
                color = needColor;
        }
    }
    // A translucent colour would vanish on the panadapter.
    color.setAlpha(255);
    const qint64 iHz = qint64(std::llround(spot.frequency().toDouble() * 1000.0));
    return TciClient::spotCommand(spot.dxCall(), spot.mode().toLower(), iHz, color.rgba(), spot.comment());
}

void TciSpotFeed::sync()
{
    m_syncTimer.stop();
    if (!m_client->isConnected() || !m_model)
        return;
    // Rows are newest first; a call on several bands shows its newest row.
    QHash<QString, QString> wanted;
    const int iRows = m_rows->rowCount();
    wanted.reserve(iRows);
    for (int iRow = 0; iRow < iRows; ++iRow) {
        const int iModelRow = m_rows->mapToSource(m_rows->index(iRow, 0)).row();
        if (iModelRow < 0)
            continue;
        const QString &qsCall = m_model->spotAt(iModelRow).dxCall();
        if (!wanted.contains(qsCall))
            wanted.insert(qsCall, commandForRow(iModelRow));
    }
    for (auto it = m_sent.cbegin(); it != m_sent.cend(); ++it) {
        if (!wanted.contains(it.key()))
            m_client->sendSpotDelete(it.key());
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (m_sent.value(it.key()) != it.value())
            m_client->sendCommand(it.value());
    }
    m_sent = std::move(wanted);
}

int TciSpotFeed::modelRowFor(const QString &qsCall, qint64 iHz) const
{
    int iBest = -1;
    double dBestKHz = 0.0;
    for (int iRow = 0; iRow < m_model->rowCount(); ++iRow) {
        const Spot &spot = m_model->spotAt(iRow);
        if (spot.dxCall().compare(qsCall, Qt::CaseInsensitive) != 0)
            continue;
        const double dOffKHz = std::abs(spot.frequency().toDouble() - double(iHz) / 1000.0);
        if (iBest < 0 || (iHz > 0 && dOffKHz < dBestKHz)) {
            iBest = iRow;
            dBestKHz = dOffKHz;
        }
    }
    return iBest;
}
