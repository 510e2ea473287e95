#include "Updater.h"
#include "ui_Updater.h"

#include "API/QsLog/QsLog.h"
#include "settings/ClusterNode.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPropertyAnimation>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace {

// .example never resolves: until an operator or a packager names a real
// host, the silent checks at start fail fast with one log line each.
const QString kDefaultUpdateServer = QStringLiteral("http://updates.tarrow.example");
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
    connect(&m_countryDownload, &Download::started, this, &Updater::onDownloadCtyStarted);
    connect(&m_countryDownload, &Download::finished, this, &Updater::onDownloadCtyFinished);
    connect(&m_countryDownload, &Download::error, this, &Updater::onDownloadCtyError);
    connect(&m_countryDownload, &Download::progress, this, &Updater::onDownloadCtyProgress);
}

Updater::~Updater()
{
    for (QNetworkReply *pReply : {m_appReply, m_nodesReply, m_countryReply}) {
        if (pReply) {
            pReply->disconnect(this);
            pReply->abort();
        }
    }
}

QString Updater::updateServer()
{
    QSettings settings = SettingsStore::openStore();
    QString qsServer = settings.value(QStringLiteral("General/UpdateServer"), kDefaultUpdateServer)
                           .toString()
                           .trimmed();
    while (qsServer.endsWith(QLatin1Char('/')))
        qsServer.chop(1);
    return qsServer.isEmpty() ? kDefaultUpdateServer : qsServer;
}

QString Updater::serverUrl(const QString &qsPath)
{
    return updateServer() + qsPath;
}

QString Updater::countryFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/cty.dat");
}

QNetworkReply *Updater::sendRequest(QNetworkAccessManager *pManager, const QString &qsPath)
{
    QNetworkReply *pReply = pManager->get(QNetworkRequest(QUrl(serverUrl(qsPath))));
    connect(pReply, &QNetworkReply::errorOccurred, this, &Updater::networkError);
    UpdateManifests::limitReplySize(pReply, UpdateManifests::kMaxManifestBytes);
    return pReply;
}

void Updater::checkApplication()
{
    if (m_appReply)
        return;
    m_appReply = sendRequest(m_appManager, QStringLiteral("/Kelvane/kelvane.xml"));
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
    if (m_countryReply || m_countryDownload.isRunning())
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
    QByteArray baBody;
    if (!takeBody(pReply, m_appReply, &baBody))
        return;
    UpdateManifests::Release release;
    const UpdateManifests::Result result = UpdateManifests::parseRelease(baBody, &release);
    if (result == UpdateManifests::ReaderError)
        hide();
    if (result != UpdateManifests::Ok)
        return;

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
    QByteArray baBody;
    if (!takeBody(pReply, m_nodesReply, &baBody))
        return;
    UpdateManifests::NodesList nodes;
    if (UpdateManifests::parseNodes(baBody, &nodes) != UpdateManifests::Ok)
        return;
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
    SettingsStore::saveUpdatedNodes(nodes.uiVersion, clusterNodes);
}

void Updater::replyFinishedCountryUpdate(QNetworkReply *pReply)
{
    QByteArray baBody;
    if (!takeBody(pReply, m_countryReply, &baBody))
        return;
    UpdateManifests::CountryFile country;
    if (UpdateManifests::parseCountry(baBody, &country) != UpdateManifests::Ok)
        return;
    if (country.uiVersion <= m_countryVersion) {
        QLOG_DEBUG() << "Country database already at latest version";
        return;
    }
    const QUrl url(country.qsUrl);
    if (!isWebUrl(url)) {
        QLOG_ERROR() << "Country file manifest version" << country.uiVersion << "names no usable file:"
                     << country.qsUrl;
        return;
    }
    m_pendingCountryVersion = country.uiVersion;
    QDir().mkpath(QFileInfo(countryFilePath()).absolutePath());
    // Fetched aside and moved into place when complete, so that a broken
    // transfer never replaces a good country file.
    m_countryDownload.setUrl(country.qsUrl);
    m_countryDownload.setFileName(countryFilePath() + QStringLiteral(".part"));
    m_countryDownload.start();
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
    if (m_appReply)
        m_appReply->abort();
    hide();
}

void Updater::reject()
{
    onCancelClicked();
}

void Updater::onDownloadCtyStarted()
{
    QLOG_INFO() << "Country file download started";
}

void Updater::onDownloadCtyFinished()
{
    const QString qsTarget = countryFilePath();
    QFile::remove(qsTarget);
    if (!QFile::rename(m_countryDownload.fileName(), qsTarget)) {
        QLOG_ERROR() << "Error downloading country file:" << QStringLiteral("cannot move it to %1").arg(qsTarget);
        return;
    }
    SettingsStore::setCountryVersion(m_pendingCountryVersion);
    m_countryVersion = m_pendingCountryVersion;
    QLOG_INFO() << "Country file download finished";
    Q_EMIT CountryUpdateFinished();
}

void Updater::onDownloadCtyError(const QString &qsError)
{
    QLOG_ERROR() << "Error downloading country file:" << qsError;
}

void Updater::onDownloadCtyProgress(quint8 quiPercent)
{
    Q_UNUSED(quiPercent)
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
