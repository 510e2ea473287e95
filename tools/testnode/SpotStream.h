#ifndef SPOTSTREAM_H
#define SPOTSTREAM_H

#include "SpotGenerator.h"
#include "TestSpot.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

QT_BEGIN_NAMESPACE
class QString;
QT_END_NAMESPACE

// Paces a flow of spots from the generator or from a list (a spot file) at a
// given rate, in batches per timer tick so that high rates cost few wake-ups.
// Who receives the batches decides when to pause (a client not reading).
class SpotStream : public QObject
{
    Q_OBJECT

public:
    explicit SpotStream(QObject *pParent = nullptr);

    // dRate in spots per second; 0 or less: as fast as the receiver lets it.
    // iCount 0: no limit for the generator, once through the list for a list.
    void startGenerator(double dRate, qint64 iCount, quint32 uiSeed);
    void startList(const QList<TestSpot> &lSpots, double dRate, qint64 iCount);
    void setRespotShare(double dShare) { m_generator.setRespotShare(dShare); }
    // Reads a spot file, one spot per line, either
    //   <kHz> <DX call> <spotter> [comment...]     e.g. "14025.0 Q9XYZ Q1ABC CW 599"
    // (stamped with the time it is sent) or a ready-made "DX de" line as a
    // node sends it (its time kept). Empty lines and lines starting with '#'
    // are skipped; bad lines are logged with their number and skipped.
    static bool loadFile(const QString &qsPath, QList<TestSpot> *plSpots, QString *pqsError);

    void stop();
    void setPaused(bool bPaused);
    bool isRunning() const;
    bool isPaused() const;
    qint64 sentCount() const;

Q_SIGNALS:
    void spotsReady(const QList<TestSpot> &lSpots);
    void finished();

private Q_SLOTS:
    void onTick();

private:
    void start(double dRate, qint64 iCount);
    void restartClock();

    QTimer m_timer;
    QElapsedTimer m_clock;
    SpotGenerator m_generator;
    QList<TestSpot> m_list;
    bool m_fromList = false;
    qsizetype m_listIndex = 0;
    double m_rate = 0.0;
    qint64 m_limit = 0;
    qint64 m_sent = 0;
    qint64 m_sentSinceClock = 0;
    bool m_running = false;
    bool m_paused = false;
};

#endif // SPOTSTREAM_H
