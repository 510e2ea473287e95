#ifndef SPOTPOPUP_H
#define SPOTPOPUP_H

#include "Worked/Locator.h"
#include "cluster/SkimmerValidator.h"

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class SpotPopup;
}
QT_END_NAMESPACE

class Spot;

// The details of one spot: the DX call and, for a DXpedition, its IOTA
// reference, QSL route, source and notes; for any other call a link to its
// record on a callsign-lookup page.
//
// Every value comes from the network and the labels are rich text that
// opens links, so each value is shown escaped: a spotted "call" can never
// bring its own markup or link along.
class SpotPopup : public QDialog
{
    Q_OBJECT

public:
    static const QString kLookupSite;

    explicit SpotPopup(QWidget *parent = nullptr);
    ~SpotPopup() override;

    void setDX(const QString &qsText);
    void setIOTA(const QString &qsText);
    void setQSLvia(const QString &qsText);
    void setReportedBy(const QString &qsText);
    void setInfo(const QString &qsText);
    // The info value as a link to the lookup page of a call.
    void setLookupLink(const QString &qsDxCall);
    // Continents, zone and paths the spot carries, distances in miles or km.
    void setLocation(const Spot &spot, bool bMiles);
    static QString pathText(const Locator::Path &path, bool bMiles);
    // What the log says of the spot; empty without a log.
    void setNeed(const QString &qsText);
    // Who reported the station ("Q1ABC (EU)") and the sources that brought
    // the reports.
    void setSpotters(const QStringList &qslSpotters);
    void setSources(const QStringList &qslSources);
    // The skimmers that heard the call lately, the strongest first, each
    // with the best signal it reported.
    void setSkimmers(const QList<SkimmerValidator::Report> &reports);
    void reset();

    // The part of a spotted call that the lookup page knows: a prefix in
    // front of the home call is dropped, a portable suffix is kept.
    static QString lookupCall(const QString &qsDxCall);
    static QString lookupAddress(const QString &qsDxCall);

    QString dxText() const;
    QString infoText() const;
    QString skimmersText() const;

public Q_SLOTS:
    void onCloseClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setValue(class QLabel *pLabel, const QString &qsRichText);
    void updateShape();

    std::unique_ptr<Ui::SpotPopup> m_ui;
};

#endif // SPOTPOPUP_H
