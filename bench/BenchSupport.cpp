#include "BenchSupport.h"

#include "Worked/Worked.h"
#include "filters/FilterChains.h"
#include "update/DXpeditions.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <ctime>

namespace Bench {

void report(const char *pName, double dValue, const char *pUnit)
{
    QTextStream(stdout) << pName << ' ' << QString::number(dValue, 'f', 1) << ' ' << pUnit << Qt::endl;
}

namespace {
double cpuSeconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
} // namespace

double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

void writeWindowStore(quint16 uiPort)
{
    QSettings settings(QSettings::UserScope, QStringLiteral("Tarrow"), QStringLiteral("Kelvane"));
    settings.clear();
    settings.beginGroup(QStringLiteral("General"));
    // Complete station data: anything missing would raise a modal warning.
    settings.setValue(QStringLiteral("Callsign"), QStringLiteral("Q1BENCH"));
    settings.setValue(QStringLiteral("Name"), QStringLiteral("Bench"));
    settings.setValue(QStringLiteral("QTH"), QStringLiteral("Testtown"));
    settings.setValue(QStringLiteral("Locator"), QStringLiteral("JN36"));
    // Nothing may reach for the internet while measuring.
    settings.setValue(QStringLiteral("AutoUpdate"), false);
    settings.setValue(QStringLiteral("AutoUpdateNodes"), false);
    settings.setValue(QStringLiteral("AutoUpdateCountries"), false);
    settings.setValue(QStringLiteral("SeenTips"), -1);
    settings.endGroup();
    settings.beginGroup(QStringLiteral("Cluster Nodes/Bench"));
    settings.setValue(QStringLiteral("Name"), QStringLiteral("Bench"));
    settings.setValue(QStringLiteral("Address"), QStringLiteral("127.0.0.1"));
    settings.setValue(QStringLiteral("Port"), uiPort);
    settings.setValue(QStringLiteral("Active"), 1);
    settings.endGroup();
}

namespace {

double statusKiB(const char *pField)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray baField(pField);
    for (const QByteArray &baLine : file.readAll().split('\n')) {
        if (baLine.startsWith(baField))
            return baLine.mid(baField.size()).trimmed().split(' ').value(0).toDouble();
    }
    return 0;
}

} // namespace

double residentMiB()
{
    return statusKiB("VmRSS:") / 1024.0;
}

double peakResidentMiB()
{
    return statusKiB("VmHWM:") / 1024.0;
}

CountryDatabase::CountryDatabase()
{
    static QTemporaryDir dir;
    m_dir = dir.path();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    m_db.setDatabaseName(dir.filePath(QStringLiteral("dx.sqlite")));
    if (!m_db.open() || !Worked::ensureTables(m_db, Worked::systemCountryFile())) {
        QTextStream(stderr) << "country database cannot be built from " << Worked::systemCountryFile() << Qt::endl;
        m_db.close();
        return;
    }
    m_worked = std::make_unique<Worked>();
    m_worked->attachDatabase(m_db);

    QFile file(Worked::systemCountryFile());
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression wholeCall(QStringLiteral("=([A-Z0-9/]+)"));
        const QString qsText = QString::fromLatin1(file.readAll());
        for (auto it = wholeCall.globalMatch(qsText); it.hasNext();)
            m_wholeCalls.append(it.next().captured(1));
    }
}

CountryDatabase::~CountryDatabase()
{
    m_worked.reset();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

Chain::Chain(CountryDatabase &countries)
    : m_dxpeditions(std::make_unique<DXpeditions>(QStringLiteral("http://127.0.0.1:9/Kelvane/dxpeditions.xml")))
{
    m_countries = Worked::countryNames(countries.database());
    // An operator who has worked a third of the world.
    for (qsizetype i = 0; i < m_countries.size(); ++i)
        (i % 3 == 0 ? m_worked : m_notWorked).insert(m_countries.at(i), false);

    QByteArray baList = "<DXpeditions><Version>1</Version><Date>today</Date>";
    for (int i = 0; i < 40; ++i) {
        baList += "<DXpedition><StartDate>20000101</StartDate><EndDate>20991231</EndDate><Call>";
        baList += i % 2 ? "3Y" + QByteArray::number(i) + "X" : "VP8" + QByteArray::number(i) + "DX";
        baList += "</Call><IOTA>AN-001</IOTA><QSLvia>LoTW</QSLvia><ReportedBy>bench</ReportedBy><Info>-</Info>"
                  "</DXpedition>";
    }
    baList += "</DXpeditions>";
    m_dxpeditions->parseList(baList);
    m_context.setCountrySets(&m_notWorked, &m_worked);
    m_context.setDXpeditions(m_dxpeditions.get());
}

Chain::~Chain() = default;

void Chain::applyTo(FilterChains &chains)
{
    const auto country = [this](int iIndex) {
        return m_countries.value(iIndex * 37 % qMax(1, int(m_countries.size())));
    };

    for (int iBand : {Filter::Band80m, Filter::Band40m, Filter::Band30m, Filter::Band20m, Filter::Band17m,
                      Filter::Band15m, Filter::Band12m, Filter::Band10m})
        chains.addBand(iBand);

    // Default Accept: the chain holds drop rules, and every one of them is
    // tested for a spot that none of them drops.
    chains.setDefaultFilter(Filter::Accept);
    for (int i = 0; i < 5; ++i) {
        auto pCall = std::make_unique<Filter>(Filter::Call | Filter::Drop);
        pCall->setCallFilterValue(QStringLiteral("Q%1BAD").arg(i));
        chains.addFilter(std::move(pCall), -1);
    }
    for (int i = 0; i < 4; ++i) {
        auto pCountry = std::make_unique<Filter>(Filter::Country | Filter::Drop);
        pCountry->setCountryFilterValue(country(i));
        chains.addFilter(std::move(pCountry), -1);
    }
    auto pDxpedition = std::make_unique<Filter>(Filter::DXpeditionIota | Filter::Drop);
    pDxpedition->setContext(&m_context);
    chains.addFilter(std::move(pDxpedition), -1);

    auto pNew = std::make_unique<Filter>(Filter::NewCountries | Filter::Accept, AlertFlag::Color | AlertFlag::Sound);
    pNew->setContext(&m_context);
    pNew->setAlertColor(QColor(255, 200, 200));
    pNew->setSoundFile(QStringLiteral("new.wav"));
    chains.addAlert(std::move(pNew), -1);
    auto pWorked = std::make_unique<Filter>(Filter::WorkedCountries | Filter::Accept, AlertFlag::Icon);
    pWorked->setContext(&m_context);
    pWorked->setIconFile(QStringLiteral(":/ico/worked.png"));
    chains.addAlert(std::move(pWorked), -1);
    for (int i = 0; i < 4; ++i) {
        auto pCountry =
            std::make_unique<Filter>(Filter::Country | Filter::Accept, AlertFlag::Color | AlertFlag::Balloon);
        pCountry->setCountryFilterValue(country(10 + i));
        pCountry->setAlertColor(QColor(200, 255, 200));
        chains.addAlert(std::move(pCountry), -1);
    }
    for (int i = 0; i < 2; ++i) {
        auto pCall = std::make_unique<Filter>(Filter::Call | Filter::Accept, AlertFlag::Sound | AlertFlag::Icon);
        pCall->setCallFilterValue(QStringLiteral("Q%1FRIEND").arg(i));
        pCall->setSoundFile(QStringLiteral("friend.wav"));
        chains.addAlert(std::move(pCall), -1);
    }
    auto pBand = std::make_unique<Filter>(Filter::Band | Filter::Accept, AlertFlag::Color);
    pBand->addBand(Filter::Band10m);
    pBand->setAlertColor(QColor(200, 200, 255));
    chains.addAlert(std::move(pBand), -1);
    auto pExpedition =
        std::make_unique<Filter>(Filter::DXpeditionIota | Filter::Accept, AlertFlag::Balloon | AlertFlag::Icon);
    pExpedition->setContext(&m_context);
    chains.addAlert(std::move(pExpedition), -1);
}

} // namespace Bench
