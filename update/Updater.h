#ifndef UPDATER_H
#define UPDATER_H

#include "UpdateManifests.h"

#include <QDialog>
#include <QNetworkReply>
#include <QVariant>

#include <memory>

QT_BEGIN_NAMESPACE
class QNetworkAccessManager;
class QPropertyAnimation;
namespace Ui {
class Updater;
}
QT_END_NAMESPACE

class CountryUpdate;

// The three update checks on the update server (application release, nodes
// list, country file manifest) and the small pop-up that shows the result of
// the application check. Without an update server they make no request.
class Updater : public QDialog
{
    Q_OBJECT

public:
    // The running program's own release number; a manifest naming a higher
    // one announces a new version.
    static constexpr int kReleaseNumber = 4;

    explicit Updater(QWidget *parent = nullptr);
    ~Updater() override;

    // Base of the manifest paths, from General/UpdateServer; empty when
    // none is set.
    static QString updateServer();
    static QString serverUrl(const QString &qsPath);

    // The manifest's country file goes through the same checks as any other.
    void setCountryUpdate(CountryUpdate *pCountryUpdate) { m_countryUpdate = pCountryUpdate; }

    void checkApplication();
    void checkNodes();
    void checkCountry();
    void showChecking();

Q_SIGNALS:
    void NodesUpdateFinished();

public Q_SLOTS:
    void replyFinishedAppUpdate(QNetworkReply *pReply);
    void replyFinishedNodesUpdate(QNetworkReply *pReply);
    void replyFinishedCountryUpdate(QNetworkReply *pReply);
    void networkError(QNetworkReply::NetworkError networkError);
    void onValueChanged(const QVariant &value);
    void animationFinished();
    void onCancelClicked();

protected:
    void reject() override;

private:
    // Says in the window, when it is shown, why there is no answer.
    void showFailure(const QString &qsWhy);
    QNetworkReply *sendRequest(QNetworkAccessManager *pManager, const QString &qsPath);
    // Takes the stored reply of one kind if the finished one is it; returns
    // its body, or nothing when the request failed (already logged).
    bool takeBody(QNetworkReply *pReply, QNetworkReply *&pStored, QByteArray *pBody);
    void applyFrame();
    void centreOverParent();
    void animateToHeight(int iHeight);
    void storeNodes(const UpdateManifests::NodesList &nodes);

    std::unique_ptr<Ui::Updater> m_ui;
    QNetworkAccessManager *m_appManager = nullptr;
    QNetworkAccessManager *m_nodesManager = nullptr;
    QNetworkAccessManager *m_countryManager = nullptr;
    QNetworkReply *m_appReply = nullptr;
    QNetworkReply *m_nodesReply = nullptr;
    QNetworkReply *m_countryReply = nullptr;
    CountryUpdate *m_countryUpdate = nullptr;
    QPropertyAnimation *m_geometryAnimation = nullptr;
    int m_releaseNumber = 0;
    QString m_releaseVersion;
    QString m_url;
    QString m_whatsNew;
    quint16 m_nodesVersion = 0;
    quint16 m_countryVersion = 0;
};

#endif // UPDATER_H
