#ifndef WELCOMEPANEL_H
#define WELCOMEPANEL_H

#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QStackedWidget;
namespace Ui {
class WelcomePanel;
}
QT_END_NAMESPACE

class Settings;

// The first run's guide: until a node is chosen and the callsign entered
// there is nothing to show in the spot table, so this panel stands in its
// place and leads to the Settings page that is missing something.
class WelcomePanel : public QWidget
{
    Q_OBJECT

public:
    WelcomePanel(Settings *pSettings, QWidget *parent = nullptr);
    ~WelcomePanel() override;

    // Takes pContent's place in its parent's layout; pContent shows in the
    // same place once nothing is missing any more.
    void standIn(QWidget *pContent);
    // True while the panel is shown instead of the content.
    bool isGuiding() const;

public Q_SLOTS:
    // Follows the settings: called after each load and accepted dialog.
    void refresh();
    void onSettingsClicked();
    void onPublicNodesClicked();

private:
    std::unique_ptr<Ui::WelcomePanel> m_ui;
    Settings *m_settings = nullptr;
    QStackedWidget *m_stack = nullptr;
    QWidget *m_content = nullptr;
};

#endif // WELCOMEPANEL_H
