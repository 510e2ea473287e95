#ifndef BULLETINS_H
#define BULLETINS_H

#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// The propagation bulletins a node keeps (WWV every three hours, WCY every
// hour) and the announcements its users post, as text in the forms nodes
// send them. The same seed gives the same figures and texts; only the times
// follow the clock.
class Bulletins
{
public:
    static constexpr int kDefaultAnswerRows = 5;
    static constexpr int kMaxAnswerRows = 20;

    // Starts with a day of bulletins before dtNow.
    explicit Bulletins(quint32 uiSeed = 1, const QDateTime &dtNow = QDateTime::currentDateTimeUtc());

    // The answers to "SH/WWV" and "SH/WCY": a header line, then the newest
    // iRows bulletins, newest first.
    QStringList wwvAnswer(int iRows = kDefaultAnswerRows) const;
    QStringList wcyAnswer(int iRows = kDefaultAnswerRows) const;

    // A new bulletin of dtNow, kept for the answers, as the line a node
    // broadcasts ("WWV de ...", "WCY de ...").
    QString nextWwv(const QDateTime &dtNow = QDateTime::currentDateTimeUtc());
    QString nextWcy(const QDateTime &dtNow = QDateTime::currentDateTimeUtc());
    // An announcement to all users ("To ALL de ...").
    QString nextAnnouncement();

private:
    struct Bulletin
    {
        QDateTime time; // UTC, on the hour
        int sfi = 0;    // solar flux
        int a = 0;
        int k = 0;
        int expectedK = 0;
        int r = 0; // sunspot number
    };

    Bulletin next(const QDateTime &dtTime);
    static QString forecast(const Bulletin &bulletin);
    static QString activity(int iLevel);
    static void keep(QList<Bulletin> &list, const Bulletin &bulletin);

    QRandomGenerator m_random;
    Bulletin m_last;
    QList<Bulletin> m_wwv; // newest first
    QList<Bulletin> m_wcy; // newest first
};

#endif // BULLETINS_H
