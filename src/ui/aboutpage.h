#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The back stage's about page: the program's version and the button that
// starts the update check.
class AboutPage : public QWidget
{
    Q_OBJECT

public:
    explicit AboutPage(QWidget* parent = nullptr);
    ~AboutPage() override;

    // Hides QWidget::show: links the update button to the update check the
    // first time, then shows the page. Before that no click reaches the check.
    void show();

    QString versionText() const;
    QPushButton* updateButton() const { return button; }

public slots:
    void refresh();

signals:
    // One per click of "Check For Updates" once the page has been shown.
    void checkForUpdatesRequested();

private:
    QLabel* versionLabel = nullptr;
    QPushButton* button = nullptr;
    bool linked = false;
};
