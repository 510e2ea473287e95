#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include "filters/Filter.h"
#include "settings/ProgramRuleContext.h"

#include <QSqlDatabase>
#include <QStringList>

#include <memory>

class FilterChains;
class DXpeditions;
class Worked;

namespace Bench {

// One figure per line: "name value unit".
void report(const char *pName, double dValue, const char *pUnit);

// CPU seconds of the calling thread only, so that the test node running
// beside the client in another thread is not counted.
double threadCpuSeconds();
// CPU seconds of the whole process: the window's thread with the helpers
// Qt starts for it.
double processCpuSeconds();
// Times the loops that run on one thread by their CPU time, which other
// programs on a busy machine hardly disturb.
class CpuTimer
{
public:
    void start() { m_start = threadCpuSeconds(); }
    void restart() { start(); }
    double seconds() const { return threadCpuSeconds() - m_start; }

private:
    double m_start = 0;
};
// A settings store for the main window: complete station data, updates off,
// one active node on loopback at uiPort, every band.
void writeWindowStore(quint16 uiPort);

// Resident memory now and its peak, in MiB, from /proc/self.
double residentMiB();
double peakResidentMiB();

// The real country database, built once from the system country file into
// a temporary file, with the Worked object that answers the lookups.
class CountryDatabase
{
public:
    CountryDatabase();
    ~CountryDatabase();
    bool isOpen() const { return m_db.isOpen(); }
    QSqlDatabase &database() { return m_db; }
    Worked *worked() { return m_worked.get(); }
    // Whole-call entries ("=CALL") of the file: the exceptions a lookup has
    // to find before any prefix.
    QStringList wholeCalls() const { return m_wholeCalls; }

private:
    QString m_dir;
    QSqlDatabase m_db;
    std::unique_ptr<Worked> m_worked;
    QStringList m_wholeCalls;
};

// What an operator's settings typically give a connection: eight bands
// selected, ten filter rules and ten alert rules of every kind, the two
// worked-country sets and a DXpeditions list.
class Chain
{
public:
    explicit Chain(CountryDatabase &countries);
    ~Chain();
    void applyTo(FilterChains &chains);

private:
    ProgramRuleContext::CountrySet m_worked;
    ProgramRuleContext::CountrySet m_notWorked;
    QStringList m_countries;
    std::unique_ptr<DXpeditions> m_dxpeditions;
    ProgramRuleContext m_context;
};

} // namespace Bench

#endif // BENCHSUPPORT_H
