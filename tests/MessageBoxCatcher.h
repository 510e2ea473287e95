#ifndef MESSAGEBOXCATCHER_H
#define MESSAGEBOXCATCHER_H

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Modal message boxes block the test in their own event loop; this answers
// each one with OK and records "text|informative text" in order.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!pBox || !pBox->isVisible())
                return;
            seen.append(pBox->text() + QLatin1Char('|') + pBox->informativeText());
            const auto *pInformative = pBox->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
            if (pBox->textFormat() != Qt::PlainText || (pInformative && pInformative->textFormat() != Qt::PlainText))
                ++markupBoxes;
            pBox->button(QMessageBox::Ok)->click();
        });
        m_timer.start();
    }

    QString last() const { return seen.isEmpty() ? QString() : seen.last(); }
    QStringList takeAll()
    {
        QStringList all = seen;
        seen.clear();
        return all;
    }

    QStringList seen;
    int markupBoxes = 0; // boxes that would take their texts as markup

private:
    QTimer m_timer;
};

#endif // MESSAGEBOXCATCHER_H
