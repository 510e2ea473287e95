#ifndef EARLIERSPOTS_H
#define EARLIERSPOTS_H

#include "Spot.h"

#include <QList>
#include <QMultiMap>
#include <QObject>
#include <QStringList>
#include <QTimer>

// The spots a connection asks the node for after login. Their answer comes
// mixed with live spots and is told apart by its time stamps; it is held
// back until it is over, so that the newest of it can be handed out oldest
// first, as if they had come live.
class EarlierSpots : public QObject
{
    Q_OBJECT

public:
    explicit EarlierSpots(QObject *parent = nullptr);

    // The "SHOW/FDX" commands that ask for the earlier spots on the bands of
    // a band filter value.
    static QStringList requests(quint32 uiBands);

    // Takes effect at once, also on a running wait.
    void setTimings(int iQuietMs, int iFirstAnswerMs);
    // The requests went out now; an answer that does not start within the
    // first-answer time ends the collection empty.
    void begin();
    void end();
    bool isCollecting() const { return m_collecting; }
    // Complete answer lines seen since begin().
    int answerLines() const { return m_answerLines; }
    // True when all lines asked for have come; the caller ends the collection.
    bool isFull() const;

    // For a complete spot: its minute when it is part of the answer (which
    // then waits for silence again), -1 when it is live.
    qint64 answerMinute(const Spot &spot);
    // Keeps an accepted answer spot; of more than the table is shown at
    // start, the newest stay.
    void keep(qint64 iMinute, const Spot &spot);
    // The kept spots, oldest first, once the collection is over; empty before.
    QList<Spot> take();
    int keptCount() const { return int(m_spots.size()); }

Q_SIGNALS:
    // The answer ended in silence (or never started).
    void quiet();

private:
    void onQuietTimeout();

    QTimer m_quietTimer;
    int m_quietMs = 0;
    int m_firstAnswerMs = 0;
    bool m_collecting = false;
    int m_answerLines = 0;
    // The minute the requests went out: spots of it and later are live.
    qint64 m_requestMinute = 0;
    // By their minute (SpotParser::minuteOf).
    QMultiMap<qint64, Spot> m_spots;
};

#endif // EARLIERSPOTS_H
