#ifndef ABOUT_H
#define ABOUT_H

#include <QDialog>

#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class About;
}
QT_END_NAMESPACE

// Name, version, the maker's notice and home page, and the disclaimer.
class About : public QDialog
{
    Q_OBJECT

public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

    static QString homePage();

public Q_SLOTS:
    void onOkClicked();

private:
    std::unique_ptr<Ui::About> m_ui;
};

#endif // ABOUT_H
