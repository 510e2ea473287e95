#ifndef TCISPOTFEED_H
#define TCISPOTFEED_H

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class SpotBandProxy;
class SpotModel;
class TciClient;

// Keeps the panadapter showing what the spot table shows: a spot per call
// for the rows on screen, updated when a row changes, deleted when it ages
// out or a band or search hides it. Changes are gathered and sent as one
// difference, so a burst of spots costs one pass over the rows.
class TciSpotFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSyncDelayMs = 100;

    TciSpotFeed(SpotBandProxy *pRows, TciClient *pClient, QObject *parent = nullptr);

    // Row colours (alert, then Need) or bColorRows false: every spot in color.
    void setColors(bool bColorRows, const QColor &color);
    // Sends the difference now instead of after the delay.
    void sync();
    // The commands the panadapter holds, by call.
    const QHash<QString, QString> &sent() const { return m_sent; }

    // The row of the spot model that matches a click best: the call's row
    // nearest to iHz; -1 when the call has none.
    int modelRowFor(const QString &qsCall, qint64 iHz) const;

private:
    void scheduleSync();
    QString commandForRow(int iModelRow) const;

    SpotBandProxy *m_rows = nullptr;
    SpotModel *m_model = nullptr;
    TciClient *m_client = nullptr;
    bool m_colorRows = true;
    QColor m_color;
    QHash<QString, QString> m_sent;
    QTimer m_syncTimer;
};

#endif // TCISPOTFEED_H
