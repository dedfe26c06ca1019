// Helpers for driving the whole main window against the controller stand-in,
// with the mouse and keyboard as a user does.
#pragma once

#include "ControllerSim.h"
#include "ModalDriver.h"
#include "SettingsFile.h"
#include "UserInput.h"
#include "app/ConfigGrid.h"
#include "app/EllipsisDelegate.h"
#include "app/Station.h"
#include "app/UfmMain.h"
#include "config/ConfigDataSets.h"

#include <QAction>
#include <QDialog>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

// The commands the stand-in received, from the index-th on.
inline QStringList Commands(const sim::ControllerSim &sim, int from = 0)
{
    QStringList commands;
    for (const std::string &command : sim.commands())
        commands.append(QString::fromStdString(command));
    return commands.mid(from);
}

// The window's child of type T called name; a test failure when there is none.
template<typename T = QWidget>
T *Child(TfmMain &window, const char *name)
{
    T *child = window.findChild<T *>(QString::fromLatin1(name));
    if (!child)
        QTest::qFail(qPrintable(QStringLiteral("no child %1").arg(QString::fromLatin1(name))), __FILE__, __LINE__);
    return child;
}

inline QAction *Action(TfmMain &window, const char *name)
{
    return Child<QAction>(window, name);
}

inline TConfigGrid *TankGrid(TfmMain &window)
{
    return Child<TConfigGrid>(window, "DBGridEh1");
}

// Clicks the toolbar button of the action called name.
inline void ClickAction(TfmMain &window, const char *name)
{
    UserInput::Click(Child<QToolBar>(window, "ToolBar1")->widgetForAction(Action(window, name)));
}

// Clicks the tab of the top page control that shows the page called name.
inline void ClickTab(TfmMain &window, const char *name)
{
    auto *pages = Child<QTabWidget>(window, "pc");
    QTabBar *tabs = pages->tabBar();
    UserInput::Click(tabs, tabs->tabRect(pages->indexOf(Child(window, name))).center());
}

// Clicks the node of the navigation tree whose text is node.
inline void ClickNode(TfmMain &window, const QString &node)
{
    auto *tree = Child<QTreeWidget>(window, "tvConfig");
    const QModelIndexList indexes = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, node, 1,
                                                         Qt::MatchExactly | Qt::MatchRecursive);
    if (indexes.isEmpty()) {
        QTest::qFail("no such node", __FILE__, __LINE__);
        return;
    }
    UserInput::ClickCell(tree, indexes.first());
}

// Shows the tank page through the tree.
inline void ShowTankPage(TfmMain &window)
{
    ClickNode(window, QStringLiteral("Резервуары"));
}

// Clicks a cell of the tank grid (the tank page showing).
inline void ClickTankCell(TfmMain &window, int row, int column)
{
    TConfigGrid *grid = TankGrid(window);
    UserInput::ClickCell(grid, grid->model()->index(row, column));
}

// Clicks the table button ("...") of a tank row (the tank page showing).
inline void ClickTableButton(TfmMain &window, int row)
{
    TConfigGrid *grid = TankGrid(window);
    UserInput::ClickCell(grid, grid->model()->index(row, TankColumn::Table),
                         [](const QRect &cell) { return TEllipsisDelegate::ButtonRect(cell).center(); });
}

// Whether the table buttons take clicks.
inline bool TableButtonsEnabled(TfmMain &window)
{
    const auto *buttons = qobject_cast<TEllipsisDelegate *>(TankGrid(window)->itemDelegateForColumn(TankColumn::Table));
    return buttons && buttons->ButtonEnabled();
}
