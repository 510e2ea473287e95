#ifndef SPOTSTREAM_H
#define SPOTSTREAM_H

#include "SkimmerFeed.h"
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
    enum class Source { Generator, Skimmers };

    explicit SpotStream(QObject *pParent = nullptr);

    // dRate in spots per second; 0 or less: as fast as the receiver lets it.
    // iCount 0: no limit for the generator, once through the list for a list.
    void startGenerator(double dRate, qint64 iCount, quint32 uiSeed);
    void startList(const QList<TestSpot> &lSpots, double dRate, qint64 iCount);
    // Spots tied to the wall clock: each UTC second has its own batch, made
    // from uiSeed and that second alone, stamped with that second and sent
    // iDelaySecs after it. Streams with the same seed and rate thus send the
    // same spots in the same minutes however late each was started, and one
    // with a delay relays them late as a distant node does. dRate (above 0)
    // counts spots per second; for the skimmers whole stations are sent, so
    // a second may hold a few more. Seconds missed while paused are skipped.
    void startScheduled(Source eSource, double dRate, qint64 iCount, quint32 uiSeed, int iDelaySecs);
    void setRespotShare(double dShare) { m_generator.setRespotShare(dShare); }
    void setBustedShare(double dShare) { m_skimmers.setBustedShare(dShare); }
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
    void emitBatch(QList<TestSpot> lBatch);
    void tickScheduled();
    QList<TestSpot> scheduledBatch(qint64 iSecond);

    QTimer m_timer;
    QElapsedTimer m_clock;
    SpotGenerator m_generator;
    SkimmerFeed m_skimmers;
    QList<TestSpot> m_list;
    bool m_fromList = false;
    bool m_scheduled = false;
    Source m_source = Source::Generator;
    quint32 m_seed = 1;
    int m_delaySecs = 0;
    qint64 m_nextSecond = 0; // UTC seconds since the epoch
    qsizetype m_listIndex = 0;
    double m_rate = 0.0;
    qint64 m_limit = 0;
    qint64 m_sent = 0;
    qint64 m_sentSinceClock = 0;
    bool m_running = false;
    bool m_paused = false;
};

#endif // SPOTSTREAM_H
