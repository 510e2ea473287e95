#include "ui/SpotPopup.h"

#include "ui_SpotPopup.h"

#include "cluster/Spot.h"

#include <QLayout>
#include <QLocale>
#include <QPainterPath>
#include <QRegion>
#include <QUrl>

namespace {
constexpr int kCornerRadius = 5;
// From the palette, so that the popup reads on a dark theme as on a light one.
const QString kStyleSheet = QStringLiteral("SpotPopup { background-color: palette(alternate-base);}");
const QString kNotAvailable = QStringLiteral("N/A");
// A popup, not a list: a station heard by sixty skimmers names the
// strongest and counts the rest.
constexpr int kMaxSkimmersNamed = 12;
} // namespace

const QString SpotPopup::kLookupSite = QStringLiteral("https://www.qrz.com");

SpotPopup::SpotPopup(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::SpotPopup>())
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->pushButtonClose, &QPushButton::clicked, this, &SpotPopup::onCloseClicked);
    // Once: setting a style sheet repolishes the whole dialog.
    setStyleSheet(kStyleSheet);
    updateShape();
}

SpotPopup::~SpotPopup() = default;

void SpotPopup::setValue(QLabel *pLabel, const QString &qsRichText)
{
    pLabel->setText(qsRichText.isEmpty() ? kNotAvailable : qsRichText);
    updateShape();
}

void SpotPopup::setDX(const QString &qsText)
{
    setValue(m_ui->labelDX_value, qsText.toHtmlEscaped());
}

void SpotPopup::setIOTA(const QString &qsText)
{
    setValue(m_ui->labelIOTA_value, qsText.toHtmlEscaped());
}

void SpotPopup::setQSLvia(const QString &qsText)
{
    setValue(m_ui->labelQSLvia_value, qsText.toHtmlEscaped());
}

void SpotPopup::setReportedBy(const QString &qsText)
{
    setValue(m_ui->labelReportedBy_value, qsText.toHtmlEscaped());
}

void SpotPopup::setInfo(const QString &qsText)
{
    setValue(m_ui->labelInfo_value, qsText.toHtmlEscaped());
}

void SpotPopup::setLookupLink(const QString &qsDxCall)
{
    const QString qsAddress = lookupAddress(qsDxCall).toHtmlEscaped();
    setValue(m_ui->labelInfo_value, QStringLiteral("<a href=\"%1\">%1</a>").arg(qsAddress));
}

void SpotPopup::setLocation(const Spot &spot, bool bMiles)
{
    // Continents come from the country file, yet the labels are rich text.
    QString qsContinent = spot.dxContinent().toHtmlEscaped();
    if (spot.dxCqZone() > 0)
        qsContinent += tr(", CQ zone %1").arg(spot.dxCqZone());
    setValue(m_ui->labelContinent_value, qsContinent);
    setValue(m_ui->labelSpotterContinent_value, spot.spotterContinent().toHtmlEscaped());
    setValue(m_ui->labelShortPath_value, spot.hasPath() ? pathText(spot.shortPath(), bMiles) : QString());
    setValue(m_ui->labelLongPath_value, spot.hasPath() ? pathText(spot.longPath(), bMiles) : QString());
}

void SpotPopup::setNeed(const QString &qsText)
{
    setValue(m_ui->labelNeed_value, qsText.toHtmlEscaped());
}

void SpotPopup::setSpotters(const QStringList &qslSpotters)
{
    setValue(m_ui->labelSpotters_value, qslSpotters.join(QStringLiteral(", ")).toHtmlEscaped());
}

void SpotPopup::setSources(const QStringList &qslSources)
{
    setValue(m_ui->labelSources_value, qslSources.join(QStringLiteral(", ")).toHtmlEscaped());
}

void SpotPopup::setSkimmers(const QList<SkimmerValidator::Report> &reports)
{
    QStringList qslNamed;
    int iSkimmers = 0;
    for (const SkimmerValidator::Report &report : reports) {
        if (!report.skimmer)
            continue;
        if (++iSkimmers > kMaxSkimmersNamed)
            continue;
        QString qsSkimmer = report.spotter.toHtmlEscaped();
        if (report.hasSnr)
            qsSkimmer += QLatin1Char(' ') + tr("%1\u00a0dB").arg(report.bestSnr);
        qslNamed.append(qsSkimmer);
    }
    QString qsText = qslNamed.join(QStringLiteral(", "));
    if (iSkimmers > kMaxSkimmersNamed)
        qsText += QLatin1Char(' ') + tr("and %n more", nullptr, iSkimmers - kMaxSkimmersNamed);
    setValue(m_ui->labelSkimmers_value, qsText);
}

QString SpotPopup::pathText(const Locator::Path &path, bool bMiles)
{
    const double dDistance = bMiles ? path.km / Locator::kKmPerMile : path.km;
    return tr("%1\u00b0, %2 %3")
        .arg(qRound(path.bearing) % 360)
        .arg(QLocale().toString(qRound64(dDistance)))
        .arg(bMiles ? tr("mi") : tr("km"));
}

void SpotPopup::reset()
{
    for (QLabel *pLabel : {m_ui->labelDX_value, m_ui->labelIOTA_value, m_ui->labelQSLvia_value,
                           m_ui->labelReportedBy_value, m_ui->labelInfo_value, m_ui->labelContinent_value,
                           m_ui->labelSpotterContinent_value, m_ui->labelShortPath_value, m_ui->labelLongPath_value,
                           m_ui->labelNeed_value, m_ui->labelSpotters_value, m_ui->labelSources_value,
                           m_ui->labelSkimmers_value})
        pLabel->setText(kNotAvailable);
    updateShape();
}

QString SpotPopup::lookupCall(const QString &qsDxCall)
{
    const qsizetype iFirstSlash = qsDxCall.indexOf(QLatin1Char('/'));
    if (iFirstSlash < 0)
        return qsDxCall;
    for (const char *pSuffix : {"/QRP", "/P", "/M", "/AM", "/MM"}) {
        if (qsDxCall.endsWith(QLatin1String(pSuffix), Qt::CaseInsensitive))
            return qsDxCall;
    }
    // A prefix of at most three characters in front: the home call follows
    // the last slash.
    if (iFirstSlash <= 3)
        return qsDxCall.mid(qsDxCall.lastIndexOf(QLatin1Char('/')) + 1);
    return qsDxCall;
}

QString SpotPopup::lookupAddress(const QString &qsDxCall)
{
    // The call goes into a path: encoded, a '?', '#' or '/' in it cannot
    // lead the address anywhere else.
    return kLookupSite + QStringLiteral("/db/") + QString::fromLatin1(QUrl::toPercentEncoding(lookupCall(qsDxCall)));
}

QString SpotPopup::dxText() const
{
    return m_ui->labelDX_value->text();
}

QString SpotPopup::infoText() const
{
    return m_ui->labelInfo_value->text();
}

QString SpotPopup::skimmersText() const
{
    return m_ui->labelSkimmers_value->text();
}

void SpotPopup::onCloseClicked()
{
    reset();
    close();
}

void SpotPopup::updateShape()
{
    // A hidden dialog's layout is not yet active: without this the size hint
    // is that of the old texts.
    layout()->activate();
    resize(sizeHint());
}

void SpotPopup::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // The rounded corners follow every size the window takes, also one the
    // window manager gives it.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
