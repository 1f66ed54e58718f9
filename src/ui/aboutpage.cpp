#include "ui/aboutpage.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutPage::AboutPage(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(new QLabel(QStringLiteral("Version: "), this));
    versionLabel = new QLabel(this);
    row->addWidget(versionLabel);
    column->addLayout(row);
    button = new QPushButton(QStringLiteral("Check For Updates"), this);
    column->addWidget(button);
    setLayout(column);

    setStyleSheet(styleSheet() + QStringLiteral("QPushButton { background-color: #B3CEE6 }"));
    refresh();
}

AboutPage::~AboutPage() = default;

void AboutPage::show()
{
    // Linked once: every further showing would otherwise add a connection,
    // and one click would start as many update checks.
    if (!linked) {
        connect(button, &QPushButton::clicked, this, &AboutPage::checkForUpdatesRequested);
        linked = true;
    }
    QWidget::show();
}

QString AboutPage::versionText() const
{
    return versionLabel->text();
}

void AboutPage::refresh()
{
    versionLabel->setText(QCoreApplication::applicationVersion());
}
