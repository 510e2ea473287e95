#ifndef QMYAPPLICATION_H
#define QMYAPPLICATION_H

#include <QApplication>

// The application object: sets the logger up from the stored log keys and
// catches what escapes an event handler, so that the report names the event
// and the object instead of a bare abort.
class QMyApplication : public QApplication
{
    Q_OBJECT

public:
    QMyApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Applies LogLevel, LogFile and LogToFile of the General group.
    static void configureLogger();

public Q_SLOTS:
    void onAboutToQuit();
};

#endif // QMYAPPLICATION_H
