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
    // A server that takes the request and never answers would otherwise
    // keep a check (and its "Checking...") open for good.
    static constexpr int kTransferTimeoutMs = 30000;

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

    void setTransferTimeoutMs(int iTimeoutMs) { m_transferTimeoutMs = iTimeoutMs; }

Q_SIGNALS:
    void NodesUpdateFinished();
    // A check that could not be made, in words for the status bar.
    void checkFailed(const QString &qsText);

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
    // Says why there is no answer: in the window when it is shown, and
    // through checkFailed() in any case.
    void showFailure(const QString &qsWhy);
    // A nodes list or country manifest that did not come, for checkFailed().
    void reportFailure(const QString &qsWhat, const QNetworkReply *pReply);
    // Why a finished request brought no manifest; a null reply is an answer
    // that did not read as one.
    static QString failureReason(const QNetworkReply *pReply);
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
    int m_transferTimeoutMs = kTransferTimeoutMs;
};

#endif // UPDATER_H
