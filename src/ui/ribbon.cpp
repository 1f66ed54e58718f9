#include "ui/ribbon.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QtGlobal>

Ribbon::Ribbon(QWidget* parent)
    : QTabWidget(parent)
{
    setAutoFillBackground(true);
    setContentsMargins(0, 0, 0, 0);
    setupStyleSheet();
}

Ribbon::~Ribbon()
{
    // Shown pages belong to the tab widget; the hidden ones only to us.
    for (auto it = shownFlags.constBegin(); it != shownFlags.constEnd(); ++it) {
        if (!it.value())
            delete it.key();
    }
}

void Ribbon::setupStyleSheet()
{
    const QString sliders = QStringLiteral(
        "QSlider::vertical { min-width: 30px; max-width: 30px; }\n"
        "QSlider::groove:vertical { border: 1px solid #999999; width: 1px; height: 60px; "
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #B1B1B1, stop:1 #c4c4c4); "
        "margin: 0 2px; }\n"
        "QSlider::handle:vertical { "
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #bce5ff, stop:1 #bce5ff); "
        "border: 1px solid #5c5c5c; height: 10px; margin: 0 -10px; border-radius: 3px; }\n");
    const QString groups = QStringLiteral(
        "QGroupBox { border-color: #6B98D0; border-style: ridge; border-width: 2px; }\n");
    const QString palette = QStringLiteral(
        "QWidget { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
        "stop:0 #E9F1FE, stop:1 #D1E8F0); }\n"
        "QTabBar::tab { background-color: #D8E4F3; }\n"
        "QTabBar::tab::selected { background-color: #E8F1FC; }\n"
        "QTabWidget::pane { background-color: #D8E4F3; }\n"
        "QLineEdit { background-color: #D8E4F3; }\n"
        "QComboBox { background-color: #D8E4F3; }\n"
        "QCheckBox { background-color: #D8E4F3; }\n"
        "QRadioButton { background-color: #D8E4F3; }\n");
    setStyleSheet(styleSheet() + sliders + groups + palette);
}

void Ribbon::addTab(const QString& name)
{
    if (pages.contains(name)) {
        qWarning("tab %s already exists", name.toLatin1().constData());
        return;
    }
    QWidget* pageWidget = new QWidget;
    pageWidget->setContentsMargins(10, 0, 0, 0);
    QHBoxLayout* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 5, 0, 5);
    layout->setSpacing(5);
    pageWidget->setLayout(layout);
    pageWidget->setAutoFillBackground(true);

    pages.insert(name, pageWidget);
    insertionIndices.insert(pageWidget, addedCount++);
    shownFlags.insert(pageWidget, true);

    QTabWidget::addTab(pageWidget, name);
}

QWidget* Ribbon::page(const QString& name) const
{
    return pages.value(name, nullptr);
}

void Ribbon::addGroup(const QString& tab, const QString& caption, QWidget* content)
{
    QWidget* pageWidget = page(tab);
    if (!pageWidget)
        return;

    QGroupBox* group = new QGroupBox;
    group->setTitle(QString());
    group->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    content->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    layout->addStretch();
    QLabel* label = new QLabel(caption);
    label->setContentsMargins(0, 0, 0, 5);
    label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(label);

    group->setLayout(layout);
    pageWidget->layout()->addWidget(group);
    // Showing a page that is not the current one would lay it over the
    // current page; the tab widget shows the others when they are selected.
    if (currentWidget() == pageWidget)
        pageWidget->show();
}

void Ribbon::setCurrentTab(const QString& name)
{
    QWidget* pageWidget = page(name);
    if (!pageWidget) {
        qWarning("tab %s does not exist", name.toLatin1().constData());
        return;
    }
    if (!shownFlags.value(pageWidget, false)) {
        qWarning("tab %s is hidden", name.toLatin1().constData());
        return;
    }
    setCurrentWidget(pageWidget);
}

void Ribbon::setTabEnabled(const QString& name, bool enable)
{
    QWidget* pageWidget = page(name);
    if (!pageWidget) {
        qWarning("tab %s does not exist", name.toLatin1().constData());
        return;
    }
    if (!shownFlags.value(pageWidget, false))
        return;
    pageWidget->setEnabled(enable);
}

void Ribbon::showTab(const QString& name, bool show)
{
    QWidget* pageWidget = page(name);
    if (!pageWidget) {
        qWarning("showTab: tab %s not found", name.toLatin1().constData());
        return;
    }
    if (shownFlags.value(pageWidget, false) == show) {
        if (show)
            setCurrentWidget(pageWidget);
        return;
    }
    shownFlags.insert(pageWidget, show);

    if (show) {
        const int ownIndex = insertionIndices.value(pageWidget, 0);
        int position = count();
        for (int i = 0; i < count(); ++i) {
            if (insertionIndices.value(widget(i), 0) > ownIndex) {
                position = i;
                break;
            }
        }
        insertTab(position, pageWidget, name);
        setCurrentIndex(position);
    } else {
        const int position = indexOf(pageWidget);
        if (position >= 0)
            removeTab(position);
    }
}
