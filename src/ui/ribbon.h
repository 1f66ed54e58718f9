#pragma once

#include <QMap>
#include <QString>
#include <QTabWidget>

// The tabbed command strip. Pages are addressed by their tab title; a hidden
// page keeps its controls and returns to the place it had among the pages
// in the order they were added.
class Ribbon : public QTabWidget
{
    Q_OBJECT

public:
    explicit Ribbon(QWidget* parent = nullptr);
    ~Ribbon() override;

    void setupStyleSheet();

    void addTab(const QString& name);
    QWidget* page(const QString& name) const;
    void addGroup(const QString& tab, const QString& caption, QWidget* content);
    void setCurrentTab(const QString& name);
    void setTabEnabled(const QString& name, bool enable);
    void showTab(const QString& name, bool show);

private:
    QMap<QString, QWidget*> pages;
    QMap<QWidget*, int> insertionIndices;
    QMap<QWidget*, bool> shownFlags;
    int addedCount = 0;
};
