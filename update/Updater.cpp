#include "Updater.h"
#include "ui_Updater.h"

#include "CountryUpdate.h"

#include "API/QsLog/QsLog.h"
#include "settings/ClusterNode.h"
#include "settings/NodeListMerge.h"
#include "settings/SettingsStore.h"

#include <QGraphicsOpacityEffect>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPropertyAnimation>
#include <QUrl>

#include <utility>

namespace {

const QString kStyleSheet = QStringLiteral("Updater { background-color: rgb(235, 235, 235);}");
constexpr int kAnimationMs = 250;
constexpr int kCollapsedHeight = 50;
constexpr int kExpandedHeight = 300;

// Addresses from a manifest are only followed or shown as links when they
// name a web server; anything else (file:, javascript:, ...) is refused.
bool isWebUrl(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

Updater::Updater(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Updater>())
    , m_appManager(new QNetworkAccessManager(this))
    , m_nodesManager(new QNetworkAccessManager(this))
    , m_countryManager(new QNetworkAccessManager(this))
    , m_geometryAnimation(new QPropertyAnimation(this, "geometry", this))
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    connect(m_appManager, &QNetworkAccessManager::finished, this, &Updater::replyFinishedAppUpdate);
    connect(m_nodesManager, &QNetworkAccessManager::finished, this, &Updater::replyFinishedNodesUpdate);
    connect(m_countryManager, &QNetworkAccessManager::finished, this, &Updater::replyFinishedCountryUpdate);
    connect(m_geometryAnimation, &QPropertyAnimation::valueChanged, this, &Updater::onValueChanged);
    connect(m_geometryAnimation, &QPropertyAnimation::finished, this, &Updater::animationFinished);
    connect(m_ui->pushButtonCancel, &QPushButton::clicked, this, &Updater::onCancelClicked);
}

Updater::~Updater()
{
    // An aborted reply also finishes through its manager; a failure reported
    // from here would reach a window already half taken down.
    for (QNetworkAccessManager *pManager : {m_appManager, m_nodesManager, m_countryManager})
        pManager->disconnect(this);
    for (QNetworkReply *pReply : {m_appReply, m_nodesReply, m_countryReply}) {
        if (pReply) {
            pReply->disconnect(this);
            pReply->abort();
        }
    }
}

QString Updater::updateServer()
{
    return SettingsStore::updateServer();
}

QString Updater::serverUrl(const QString &qsPath)
{
    const QString qsServer = updateServer();
    return qsServer.isEmpty() ? QString() : qsServer + qsPath;
}

QNetworkReply *Updater::sendRequest(QNetworkAccessManager *pManager, const QString &qsPath)
{
    // No server, no request: not even a name is looked up.
    const QString qsUrl = serverUrl(qsPath);
    if (qsUrl.isEmpty()) {
        QLOG_DEBUG() << "No update server set; no request for" << qsPath;
        return nullptr;
    }
    QNetworkRequest request {QUrl(qsUrl)};
    request.setTransferTimeout(m_transferTimeoutMs);
    QNetworkReply *pReply = pManager->get(request);
    connect(pReply, &QNetworkReply::errorOccurred, this, &Updater::networkError);
    UpdateManifests::limitReplySize(pReply, UpdateManifests::kMaxManifestBytes);
    return pReply;
}

void Updater::checkApplication()
{
    if (m_appReply)
        return;
    m_appReply = sendRequest(m_appManager, QStringLiteral("/Kelvane/kelvane.xml"));
    // Without a server only a check the operator asked for has anything to say.
    if (!m_appReply && isVisible())
        showFailure(tr("no update server is set (Settings, General tab)."));
}

void Updater::checkNodes()
{
    if (m_nodesReply)
        return;
    m_nodesVersion = SettingsStore::nodesVersion();
    m_nodesReply = sendRequest(m_nodesManager, QStringLiteral("/Kelvane/nodes.xml"));
}

void Updater::checkCountry()
{
    if (m_countryReply || (m_countryUpdate && m_countryUpdate->isRunning()))
        return;
    m_countryVersion = quint16(SettingsStore::countryVersion());
    m_countryReply = sendRequest(m_countryManager, QStringLiteral("/Kelvane/country.xml"));
}

bool Updater::takeBody(QNetworkReply *pReply, QNetworkReply *&pStored, QByteArray *pBody)
{
    if (!pReply)
        return false;
    pReply->deleteLater();
    if (pReply != pStored)
        return false;
    pStored = nullptr;
    // A failed request has been logged once by networkError; there is no
    // manifest to read.
    if (pReply->error() != QNetworkReply::NoError)
        return false;
    *pBody = pReply->readAll();
    return true;
}

void Updater::replyFinishedAppUpdate(QNetworkReply *pReply)
{
    const bool bOurs = pReply && pReply == m_appReply;
    QByteArray baBody;
    if (!takeBody(pReply, m_appReply, &baBody)) {
        // Cancel lets go of the reply first: a cancelled one still ours
        // was stopped by the transfer timeout.
        if (bOurs)
            showFailure(failureReason(pReply));
        return;
    }
    UpdateManifests::Release release;
    const UpdateManifests::Result result = UpdateManifests::parseRelease(baBody, &release);
    if (result != UpdateManifests::Ok) {
        showFailure(failureReason(nullptr));
        return;
    }

    m_releaseNumber = release.iReleaseNumber;
    m_releaseVersion = release.qsReleaseVersion;
    m_url = release.qsUrl;
    m_whatsNew = release.qsWhatsNew;
    if (m_releaseNumber > kReleaseNumber) {
        showChecking();
        animateToHeight(kExpandedHeight);
    } else {
        m_ui->progressBar->hide();
        animateToHeight(kCollapsedHeight);
    }
}

void Updater::replyFinishedNodesUpdate(QNetworkReply *pReply)
{
    const bool bOurs = pReply && pReply == m_nodesReply;
    QByteArray baBody;
    if (!takeBody(pReply, m_nodesReply, &baBody)) {
        if (bOurs)
            reportFailure(tr("Nodes list not updated"), pReply);
        return;
    }
    UpdateManifests::NodesList nodes;
    if (UpdateManifests::parseNodes(baBody, &nodes) != UpdateManifests::Ok) {
        reportFailure(tr("Nodes list not updated"), nullptr);
        return;
    }
    if (nodes.uiVersion <= m_nodesVersion) {
        QLOG_DEBUG() << "Nodes list already at latest version";
        return;
    }
    m_nodesVersion = nodes.uiVersion;
    storeNodes(nodes);
    Q_EMIT NodesUpdateFinished();
}

void Updater::storeNodes(const UpdateManifests::NodesList &nodes)
{
    QList<ClusterNode> clusterNodes;
    clusterNodes.reserve(nodes.nodes.size());
    for (const UpdateManifests::Node &node : nodes.nodes)
        clusterNodes.append(ClusterNode(node.qsName, node.qsAddress, node.uiPort, QString(), false));
    NodeList merged = NodeListMerge::merge(SettingsStore::loadNodes(), clusterNodes);
    merged.version = nodes.uiVersion;
    SettingsStore::saveNodes(merged);
}

void Updater::replyFinishedCountryUpdate(QNetworkReply *pReply)
{
    const bool bOurs = pReply && pReply == m_countryReply;
    QByteArray baBody;
    if (!takeBody(pReply, m_countryReply, &baBody)) {
        if (bOurs)
            reportFailure(tr("Country data not checked"), pReply);
        return;
    }
    UpdateManifests::CountryFile country;
    if (UpdateManifests::parseCountry(baBody, &country) != UpdateManifests::Ok) {
        reportFailure(tr("Country data not checked"), nullptr);
        return;
    }
    if (country.uiVersion <= m_countryVersion) {
        QLOG_DEBUG() << "Country database already at latest version";
        return;
    }
    const QUrl url(country.qsUrl);
    if (!isWebUrl(url)) {
        QLOG_ERROR() << "Country file manifest version" << country.uiVersion
                     << "names no usable file:" << country.qsUrl;
        return;
    }
    // The version is stored only once the file is in the table.
    if (m_countryUpdate)
        m_countryUpdate->fetch(country.qsUrl, country.uiVersion);
}

void Updater::networkError(QNetworkReply::NetworkError networkError)
{
    QLOG_ERROR() << "Network error:" << int(networkError);
}

void Updater::onValueChanged(const QVariant &value)
{
    Q_UNUSED(value)
    applyFrame();
}

void Updater::animationFinished()
{
    m_ui->progressBar->hide();
    if (m_releaseNumber <= kReleaseNumber) {
        m_ui->labelDescription->setText(tr("This is the latest version."));
        m_ui->labelDescription->adjustSize();
    } else {
        // Everything here came from the network: the version is escaped and
        // only a web address becomes a link.
        QString qsText = tr("New version available: ") + m_releaseVersion.toHtmlEscaped();
        const QUrl url(m_url);
        if (isWebUrl(url)) {
            qsText += QStringLiteral("&nbsp;&nbsp;&nbsp;<a href=\"%1\">%2</a>")
                          .arg(QString::fromUtf8(url.toEncoded()).toHtmlEscaped(), tr("Download"));
        }
        m_ui->labelDescription->setText(qsText);
        m_ui->label->setText(QString(m_whatsNew).replace(QLatin1Char('^'), QLatin1Char('\n')));
        m_ui->label->adjustSize();
        m_ui->pushButtonCancel->setText(tr("Close"));

        auto *pEffect = new QGraphicsOpacityEffect(m_ui->label);
        m_ui->label->setGraphicsEffect(pEffect);
        auto *pFade = new QPropertyAnimation(pEffect, "opacity", pEffect);
        pFade->setDuration(kAnimationMs);
        pFade->setStartValue(0.01);
        pFade->setEndValue(1.0);
        pFade->setEasingCurve(QEasingCurve::InQuad);
        pFade->start(QAbstractAnimation::DeleteWhenStopped);
        m_ui->label->show();
    }
    adjustSize();
    applyFrame();
    centreOverParent();
}

void Updater::onCancelClicked()
{
    if (QNetworkReply *pReply = std::exchange(m_appReply, nullptr))
        pReply->abort();
    hide();
}

void Updater::reject()
{
    onCancelClicked();
}

QString Updater::failureReason(const QNetworkReply *pReply)
{
    if (!pReply)
        return tr("the server's answer is no update manifest.");
    if (pReply->error() != QNetworkReply::OperationCanceledError)
        return pReply->errorString();
    // Cancelled by us: the size limit or the transfer timeout.
    if (pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > UpdateManifests::kMaxManifestBytes
        || pReply->bytesAvailable() > UpdateManifests::kMaxManifestBytes)
        return tr("the server's answer is too large.");
    return tr("the update server did not answer in time.");
}

void Updater::reportFailure(const QString &qsWhat, const QNetworkReply *pReply)
{
    const QString qsWhy = failureReason(pReply);
    QLOG_WARN() << qsWhat << ":" << qsWhy;
    Q_EMIT checkFailed(tr("%1: %2").arg(qsWhat, qsWhy));
}

void Updater::showFailure(const QString &qsWhy)
{
    QLOG_WARN() << "Could not check for updates:" << qsWhy;
    Q_EMIT checkFailed(tr("Could not check for updates: %1").arg(qsWhy));
    if (!isVisible())
        return;
    m_ui->progressBar->hide();
    m_ui->labelDescription->setText(tr("Could not check for updates: %1").arg(qsWhy).toHtmlEscaped());
    m_ui->labelDescription->adjustSize();
    m_ui->pushButtonCancel->setText(tr("Close"));
    adjustSize();
    applyFrame();
    centreOverParent();
}

void Updater::showChecking()
{
    m_ui->labelDescription->clear();
    m_ui->label->clear();
    m_ui->progressBar->show();
    m_ui->pushButtonCancel->setText(tr("Cancel"));
    m_ui->pushButtonCancel->show();
    m_ui->label->hide();
    m_ui->labelDescription->setText(tr("Checking..."));
    adjustSize();
    applyFrame();
    centreOverParent();
    show();
}

void Updater::applyFrame()
{
    setStyleSheet(kStyleSheet);
    setContentsMargins(5, 5, 5, 5);
}

void Updater::centreOverParent()
{
    if (QWidget *pParent = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(pParent->frameGeometry().center());
        move(frame.topLeft());
    }
}

void Updater::animateToHeight(int iHeight)
{
    m_geometryAnimation->stop();
    m_geometryAnimation->setDuration(kAnimationMs);
    m_geometryAnimation->setStartValue(geometry());
    m_geometryAnimation->setEndValue(QRect(x(), y(), width(), iHeight));
    m_geometryAnimation->start();
}
