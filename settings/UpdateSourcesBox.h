#ifndef UPDATESOURCESBOX_H
#define UPDATESOURCESBOX_H

#include <QGroupBox>
#include <QList>
#include <QString>

QT_BEGIN_NAMESPACE
class QCheckBox;
class QLabel;
class QLineEdit;
QT_END_NAMESPACE

// The addresses the update options fetch from, on the settings dialog's
// General tab. While no update server is set, the options that need one say
// so and cannot be switched on.
class UpdateSourcesBox : public QGroupBox
{
    Q_OBJECT

public:
    // pNeedServer: the options that only work with an update server.
    UpdateSourcesBox(const QList<QCheckBox *> &needServer, QWidget *parent = nullptr);

    void load();
    void save() const;

public Q_SLOTS:
    void onUpdateServerChanged(const QString &qsText);

private:
    QList<QCheckBox *> m_needServer;
    QStringList m_texts;
    QLineEdit *m_lineEditUpdateServer = nullptr;
    QLineEdit *m_lineEditCountryFileUrl = nullptr;
    QLineEdit *m_lineEditDXpeditionsUrl = nullptr;
    QLabel *m_labelNoUpdateServer = nullptr;
};

#endif // UPDATESOURCESBOX_H
